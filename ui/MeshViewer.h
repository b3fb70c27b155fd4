// The viewer of a converted pair: the frames read back from the files just written, drawn as the
// engine will see them, with play and pause, a frame slider and a view that turns when dragged.
#pragma once

#include "inspect/MeshPair.h"
#include "inspect/Preview.h"

#include <QDialog>
#include <QImage>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

class CMeshViewer : public QDialog {
    Q_OBJECT

public:
    // Frames shown a second while playing.
    static constexpr int kFramesPerSecond = 25;

    explicit CMeshViewer(QWidget* parent = nullptr);
    ~CMeshViewer() override;

    // Opens the pair; false with the fault's line when it cannot be read.
    bool Open(const OutputNames& names, std::string& fault);

    int Frame() const { return frame_; }
    bool Playing() const;
    const ViewAngles& View() const { return view_; }
    // The picture of the frame shown, as last drawn.
    const QImage& Picture() const { return picture_; }

    void ShowFrame(int frame);
    void SetPlaying(bool playing);
    // Turns the view by a drag of dx, dy pixels.
    void Turn(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Draw();
    QRect PictureRect() const;

    CMeshPair pair_;
    std::vector<std::uint8_t> frameBytes_;
    PreviewImage image_;
    QImage picture_;
    ViewAngles view_;
    int frame_ = 0;
    QPoint dragFrom_;

    QPushButton* playButton_;
    QSlider* slider_;
    QLabel* frameLabel_;
    QTimer* timer_;
};
