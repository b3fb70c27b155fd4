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
            [this] { ShowFrame(session_.NextFrame()); });
}

CMeshViewer::~CMeshViewer() = default;

bool CMeshViewer::Open(const OutputNames& names, std::string& fault)
{
    if (!session_.Open(CFileSystem::Native(), names, fault))
        return false;
    setWindowTitle(tr("Preview - %1").arg(QString::fromLocal8Bit(names.animationPath.c_str())));
    const int frames = static_cast<int>(session_.FrameCount());
    slider_->setRange(0, std::max(0, frames - 1));
    playButton_->setEnabled(frames > 1);
    // The label keeps the width of its longest text, so that the slider's length never changes.
    frameLabel_->setFixedWidth(frameLabel_->fontMetrics().horizontalAdvance(FrameText(frames - 1)) + 8);
    spanLabel_->setText(QString::fromStdString(session_.Span()));
    ShowFrame(0);
    return true;
}

bool CMeshViewer::Playing() const
{
    return timer_->isActive();
}

void CMeshViewer::SetPlaying(bool playing)
{
    if (playing && session_.FrameCount() > 1)
        timer_->start();
    else
        timer_->stop();
    playButton_->setText(Playing() ? tr("Pause") : tr("Play"));
}

void CMeshViewer::ShowFrame(int frame)
{
    if (!session_.SelectFrame(frame))
        return;
    slider_->setValue(frame);
    frameLabel_->setText(FrameText(frame));
    Draw();
}

void CMeshViewer::Turn(int dx, int dy)
{
    session_.Turn(dx, dy);
    Draw();
}

void CMeshViewer::TurnWheel(int delta)
{
    session_.TurnWheel(delta);
    Draw();
}

void CMeshViewer::ShowWholeCube(bool whole)
{
    session_.ShowWholeCube(whole);
    Draw();
}

void CMeshViewer::ResetView()
{
    session_.ResetView();
    Draw();
}

QString CMeshViewer::FrameText(int frame) const
{
    return QString::fromStdString(session_.FrameText(frame));
}

QRect CMeshViewer::PictureRect() const
{
    const int bottom = std::max(1, slider_->geometry().top() - 8);
    const int side = std::max(16, std::min(width() - 16, bottom - 8));
    return QRect((width() - side) / 2, 8, side, side);
}

void CMeshViewer::Draw()
{
    if (!session_.Draw(PictureRect().width(), image_))
        return;
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
        ShowWholeCube(!session_.WholeCubeShown());
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
