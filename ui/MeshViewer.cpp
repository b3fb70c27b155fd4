#include "ui/MeshViewer.h"

#include "platform/FileLayer.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QPixmap>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

CMeshViewer::CMeshViewer(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Preview"));
    setMinimumSize(360, 400);
    resize(560, 600);
    playButton_ = new QPushButton(tr("Play"), this);
    playButton_->setObjectName(QStringLiteral("play"));
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("frames"));
    frameLabel_ = new QLabel(this);
    frameLabel_->setObjectName(QStringLiteral("frameNumber"));
    spanLabel_ = new QLabel(this);
    spanLabel_->setObjectName(QStringLiteral("span"));
    timer_ = new QTimer(this);
    timer_->setInterval(1000 / kFramesPerSecond);

    auto* controls = new QHBoxLayout;
    controls->addWidget(playButton_);
    controls->addWidget(slider_, 1);
    controls->addWidget(frameLabel_);
    // A swatch and a word for each colour of the picture.
    auto* legend = new QHBoxLayout;
    for (const LegendEntry& entry : kLegend) {
        QPixmap swatch(10, 10);
        swatch.fill(QColor::fromRgb(entry.colour));
        auto* mark = new QLabel(this);
        mark->setPixmap(swatch);
        legend->addWidget(mark);
        legend->addWidget(new QLabel(tr(entry.name), this));
        legend->addSpacing(6);
    }
    legend->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1); // the picture fills the space above the controls
    layout->addLayout(legend);
    layout->addWidget(spanLabel_);
    layout->addWidget(new QLabel(tr("Drag to turn the view, turn the wheel to zoom; C shows the whole cube or the model, R resets the view."),
                                 this));
    layout->addLayout(controls);

    connect(playButton_, &QPushButton::clicked, this, [this] { SetPlaying(!Playing()); });
    connect(slider_, &QSlider::valueChanged, this, &CMeshViewer::ShowFrame);
    connect(timer_, &QTimer::timeout, this,
            [this] { ShowFrame(pair_.FrameCount() > 0 ? (frame_ + 1) % static_cast<int>(pair_.FrameCount()) : 0); });
}

CMeshViewer::~CMeshViewer() = default;

bool CMeshViewer::Open(const OutputNames& names, std::string& fault)
{
    if (!pair_.Open(CFileSystem::Native(), names, fault))
        return false;
    setWindowTitle(tr("Preview - %1").arg(QString::fromLocal8Bit(names.animationPath.c_str())));
    const int frames = static_cast<int>(pair_.FrameCount());
    slider_->setRange(0, std::max(0, frames - 1));
    playButton_->setEnabled(frames > 1);
    // The label keeps the width of its longest text, so that the slider's length never changes.
    frameLabel_->setFixedWidth(frameLabel_->fontMetrics().horizontalAdvance(FrameText(frames - 1, frames)) + 8);
    StepBox reach;
    if (!ModelReach(pair_, reach)) {
        fault = "Error: Could not read " + names.animationPath;
        return false;
    }
    modelFraming_ = FrameReach(reach);
    spanLabel_->setText(QString::fromStdString(SpanLine(reach)));
    wholeCube_ = false;
    frame_ = -1;
    ShowFrame(0);
    return true;
}

bool CMeshViewer::Playing() const
{
    return timer_->isActive();
}

void CMeshViewer::SetPlaying(bool playing)
{
    if (playing && pair_.FrameCount() > 1)
        timer_->start();
    else
        timer_->stop();
    playButton_->setText(Playing() ? tr("Pause") : tr("Play"));
}

void CMeshViewer::ShowFrame(int frame)
{
    if (frame == frame_ || frame < 0 ||
        static_cast<std::uint32_t>(frame) >= std::max<std::uint32_t>(pair_.FrameCount(), 1))
        return;
    frame_ = frame;
    slider_->setValue(frame);
    frameLabel_->setText(FrameText(frame, static_cast<int>(pair_.FrameCount())));
    if (pair_.FrameCount() == 0 || !pair_.ReadFrames(static_cast<std::uint32_t>(frame), 1, frameBytes_))
        frameBytes_.assign(std::size_t{pair_.VertexCount()} * VertexBytes(pair_.Format()), 0);
    Draw();
}

void CMeshViewer::Turn(int dx, int dy)
{
    TurnView(view_, dx, dy);
    Draw();
}

void CMeshViewer::TurnWheel(int delta)
{
    ::TurnWheel(zoom_, delta);
    Draw();
}

void CMeshViewer::ShowWholeCube(bool whole)
{
    wholeCube_ = whole;
    zoom_ = ViewZoom{};
    Draw();
}

void CMeshViewer::ResetView()
{
    view_ = ViewAngles{};
    ShowWholeCube(false);
}

QString CMeshViewer::FrameText(int frame, int frames) const
{
    // The engine's frame number, then its place among the frames.
    return frames > 0 ? tr("Frame %1 (%2 of %3)").arg(frame).arg(frame + 1).arg(frames) : tr("No frames");
}

QRect CMeshViewer::PictureRect() const
{
    const int bottom = std::max(1, slider_->geometry().top() - 8);
    const int side = std::max(16, std::min(width() - 16, bottom - 8));
    return QRect((width() - side) / 2, 8, side, side);
}

void CMeshViewer::Draw()
{
    if (frameBytes_.size() < std::size_t{pair_.VertexCount()} * VertexBytes(pair_.Format()))
        return;
    DrawFrame(pair_.Triangles(), frameBytes_.data(), pair_.VertexCount(), view_, PictureRect().width(), image_,
              Zoomed(wholeCube_ ? WholeCube() : modelFraming_, zoom_), 0, pair_.Format());
    picture_ = QImage(reinterpret_cast<const uchar*>(image_.pixels.data()), image_.width, image_.height,
                      QImage::Format_ARGB32);
    update();
}

void CMeshViewer::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(PictureRect().topLeft(), picture_);
}

void CMeshViewer::mousePressEvent(QMouseEvent* event)
{
    dragFrom_ = event->position().toPoint();
}

void CMeshViewer::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    Turn(at.x() - dragFrom_.x(), at.y() - dragFrom_.y());
    dragFrom_ = at;
}

void CMeshViewer::wheelEvent(QWheelEvent* event)
{
    // Over the picture only: the slider takes the wheel over itself.
    if (PictureRect().contains(event->position().toPoint()))
        TurnWheel(event->angleDelta().y());
}

void CMeshViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_C)
        ShowWholeCube(!wholeCube_);
    else if (event->key() == Qt::Key_R)
        ResetView();
    else
        QDialog::keyPressEvent(event);
}

void CMeshViewer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Draw();
}
