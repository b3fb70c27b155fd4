#include "tests/ui/UiTestSupport.h"

#include "tests/support/Chunk3ds.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <memory>

QByteArray TwoObjectScene()
{
    using namespace build3ds;
    const std::vector<std::uint8_t> bytes =
        Scene({SimpleObject("part01", {{0, 0, 0}, {200, 10, -5}, {3, -150, 60}}, {{0, 1, 2}}),
               SimpleObject("part02", {{-300, 4, 1}, {1, 2, 3}, {7, 8, 140}}, {{0, 1, 2}})});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QByteArray UnevenScene()
{
    using namespace build3ds;
    const std::vector<std::uint8_t> bytes =
        Scene({SimpleObject("part01", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}),
               SimpleObject("part02", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}}, {{0, 1, 2}})});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WhenModalOpens(const std::function<void(QDialog&)>& inspect)
{
    // Polls from inside whatever loop is running until a modal dialog is up: a menu's own loop
    // may still be running when the timer first fires.
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, inspect] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal == nullptr && ++*tries < 200)
            return;
        poll->stop();
        poll->deleteLater();
        if (modal == nullptr)
            return;
        inspect(*modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    poll->start(10);
}

bool WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect)
{
    bool opened = false;
    auto* pending = new QTimer;
    pending->setSingleShot(true);
    // The timer fires inside the modal loop that open() enters, if it enters one.
    QObject::connect(pending, &QTimer::timeout, [&opened, inspect] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal == nullptr)
            return;
        opened = true;
        inspect(*modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    pending->start(0);
    open();
    delete pending; // never fires after open() returned
    return opened;
}
