// The viewer of a converted pair: the frames read back from the files just written, drawn as the
// engine will see them, with play and pause, a frame slider and a view that turns when dragged. The
// view frames the model's reach over its frames and zooms with the wheel; C shows the whole cube
// instead (and back), R resets the view.
#pragma once

#include "inspect/MeshPair.h"
#include "inspect/PreviewSession.h"

#include <QDialog>
#include <QImage>

#include <algorithm>
#include <string>

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

    int Frame() const { return std::max(0, session_.Frame()); }
    bool Playing() const;
    const ViewAngles& View() const { return session_.View(); }
    bool WholeCubeShown() const { return session_.WholeCubeShown(); }
    // The picture of the frame shown, as last drawn.
    const QImage& Picture() const { return picture_; }

    void ShowFrame(int frame);
    void SetPlaying(bool playing);
    // Turns the view by a drag of dx, dy pixels.
    void Turn(int dx, int dy);
    // Zooms by a turn of the wheel of delta units (positive: closer).
    void TurnWheel(int delta);
    const ViewZoom& Zoom() const { return session_.Zoom(); }
    // Shows the whole cube, or the model framed.
    void ShowWholeCube(bool whole);
    // The first view again: the model framed from the default side.
    void ResetView();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Draw();
    QRect PictureRect() const;
    QString FrameText(int frame) const;

    CPreviewSession session_;
    PreviewImage image_;
    QImage picture_;
    QPoint dragFrom_;

    QPushButton* playButton_;
    QSlider* slider_;
    QLabel* frameLabel_;
    QLabel* spanLabel_;
    QTimer* timer_;
};
