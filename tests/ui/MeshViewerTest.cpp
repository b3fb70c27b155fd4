// The viewer of a converted pair, offscreen: it reads the frames from the files, plays and pauses,
// follows its slider, frames the model, turns when dragged, and refuses a damaged pair.
#include "ui/MeshViewer.h"

#include "tests/support/SceneGenerator.h"
#include "tests/ui/UiTestSupport.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

class MeshViewerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    OutputNames names;

    QString FrameText(const CMeshViewer& viewer) { return viewer.findChild<QLabel*>("frameNumber")->text(); }

    // Opens the converted pair in the viewer and shows it.
    bool OpenShown(CMeshViewer& viewer)
    {
        std::string fault;
        if (!viewer.Open(names, fault))
            return false;
        viewer.show();
        return QTest::qWaitForWindowExposed(&viewer);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Two objects over a segment of 12 frames, converted by tarnex-cli.
        scenegen::SceneShape shape;
        shape.objectCount = 2;
        shape.verticesPerObject = 40;
        shape.frames = 12;
        shape.keyEvery = 4;
        const std::vector<std::uint8_t> scene = scenegen::GenerateScene(shape);
        QVERIFY(WriteFile(dir.filePath("walk.3ds"), QByteArray(reinterpret_cast<const char*>(scene.data()),
                                                               static_cast<qsizetype>(scene.size()))));
        QCOMPARE(QProcess::execute(TARNEX_CLI_PATH, {dir.filePath("walk.3ds"), dir.filePath("walk.3d")}), 0);
        names = {dir.filePath("walk_d.3d").toStdString(), dir.filePath("walk_a.3d").toStdString()};
    }

    void followsItsSliderAndPlaysAndPauses()
    {
        CMeshViewer viewer;
        QVERIFY(OpenShown(viewer));
        QCOMPARE(FrameText(viewer), QString("Frame 0 (1 of 12)"));
        QVERIFY(!viewer.Picture().isNull());
        const QImage first = viewer.Picture().copy();

        QSlider* slider = viewer.findChild<QSlider*>("frames");
        const int length = slider->width();
        slider->setValue(11);
        QCOMPARE(FrameText(viewer), QString("Frame 11 (12 of 12)"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(slider->width(), length); // the longer label leaves the slider as it was
        slider->setValue(7);
        QCOMPARE(viewer.Frame(), 7);
        QCOMPARE(FrameText(viewer), QString("Frame 7 (8 of 12)"));
        QVERIFY(viewer.Picture() != first); // frame 7 moves the objects

        QTest::mouseClick(viewer.findChild<QPushButton*>("play"), Qt::LeftButton);
        QVERIFY(viewer.Playing());
        QTRY_VERIFY(viewer.Frame() != 7);
        QTest::mouseClick(viewer.findChild<QPushButton*>("play"), Qt::LeftButton);
        QVERIFY(!viewer.Playing());
        const int paused = viewer.Frame();
        QTest::qWait(3 * 1000 / CMeshViewer::kFramesPerSecond);
        QCOMPARE(viewer.Frame(), paused);
    }

    void framesTheModelWithKeysForTheWholeCubeAndAReset()
    {
        CMeshViewer viewer;
        QVERIFY(OpenShown(viewer));
        QVERIFY(!viewer.WholeCubeShown());
        QCOMPARE(viewer.findChild<QLabel*>("span")->text(),
                 QString("The model spans 157 of 2048 grid steps in X, 33 of 2048 in Y, 33 of 1024 in Z"));
        const QImage framed = viewer.Picture().copy();
        QTest::keyClick(&viewer, Qt::Key_C);
        QVERIFY(viewer.WholeCubeShown());
        QVERIFY(viewer.Picture() != framed);
        viewer.Turn(40, 10);
        QTest::keyClick(&viewer, Qt::Key_R);
        QVERIFY(!viewer.WholeCubeShown());
        QCOMPARE(viewer.View().yaw, ViewAngles{}.yaw);
        QCOMPARE(viewer.Picture(), framed);
    }

    void playIsDisabledOnAOneFramePair()
    {
        scenegen::SceneShape shape; // no keyframe data: one frame
        const std::vector<std::uint8_t> scene = scenegen::GenerateScene(shape);
        QVERIFY(WriteFile(dir.filePath("still.3ds"), QByteArray(reinterpret_cast<const char*>(scene.data()),
                                                                static_cast<qsizetype>(scene.size()))));
        QCOMPARE(QProcess::execute(TARNEX_CLI_PATH, {dir.filePath("still.3ds"), dir.filePath("still.3d")}), 0);
        CMeshViewer viewer;
        std::string fault;
        QVERIFY(viewer.Open({dir.filePath("still_d.3d").toStdString(), dir.filePath("still_a.3d").toStdString()},
                            fault));
        QVERIFY(!viewer.findChild<QPushButton*>("play")->isEnabled());
        QCOMPARE(FrameText(viewer), QString("Frame 0 (1 of 1)"));
    }

    void dragTurnsTheView()
    {
        CMeshViewer viewer;
        QVERIFY(OpenShown(viewer));
        const QImage before = viewer.Picture().copy();
        const float yaw = viewer.View().yaw;
        QTest::mousePress(&viewer, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(160, 110), QPointF(160, 110), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&viewer, &move);
        QTest::mouseRelease(&viewer, Qt::LeftButton, Qt::NoModifier, QPoint(160, 110));
        QVERIFY(viewer.View().yaw != yaw);
        QVERIFY(viewer.Picture() != before);

        // The wheel over the picture zooms; R takes the zoom back with the view.
        const QImage turned = viewer.Picture().copy();
        const QPointF centre = QRectF(viewer.rect()).center() - QPointF(0, viewer.height() / 4);
        QWheelEvent wheel(centre, viewer.mapToGlobal(centre), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&viewer, &wheel);
        QCOMPARE(viewer.Zoom().notches, 2);
        QVERIFY(viewer.Picture() != turned);
        QTest::keyClick(&viewer, Qt::Key_R);
        QCOMPARE(viewer.Zoom().notches, 0);
    }

    void refusesADamagedPair()
    {
        // The animation file loses its last byte: its length no longer agrees with its header.
        QByteArray animation = ReadFile(dir.filePath("walk_a.3d"));
        animation.chop(1);
        QVERIFY(WriteFile(dir.filePath("cut_a.3d"), animation));
        QVERIFY(WriteFile(dir.filePath("cut_d.3d"), ReadFile(dir.filePath("walk_d.3d"))));
        CMeshViewer viewer;
        std::string fault;
        QVERIFY(!viewer.Open({dir.filePath("cut_d.3d").toStdString(), dir.filePath("cut_a.3d").toStdString()}, fault));
        // The header's frame count and frame size, each a little-endian 16-bit word.
        const auto word = [&](int at) { return quint8(animation[at]) | quint8(animation[at + 1]) << 8; };
        QCOMPARE(QString::fromStdString(fault),
                 QString("Error: %1 holds %2 bytes, but its header gives %3 frames of %4 bytes, %5 bytes")
                     .arg(dir.filePath("cut_a.3d"))
                     .arg(animation.size())
                     .arg(word(0))
                     .arg(word(2))
                     .arg(animation.size() + 1));
    }
};

int RunMeshViewerTests(int argc, char** argv)
{
    MeshViewerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MeshViewerTest.moc"
