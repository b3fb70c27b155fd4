#include "ui/DialogUnits.h"

#include <QTest>

class DialogUnitsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An 8-point font at 96 dots per inch: 6 pixels average width, 13 pixels high.
    void mapsEachCoordinateRoundingHalvesUp()
    {
        const CDialogUnits units(6, 13);
        QCOMPARE(units.Rect(47, 7, 156, 13), QRect(71, 11, 234, 21));
        QCOMPARE(units.Rect(203, 7, 15, 13), QRect(305, 11, 23, 21));
        QCOMPARE(units.Size(225, 199), QSize(338, 323));
        QCOMPARE(units.Y(118), 192);
    }
};

int RunDialogUnitsTests(int argc, char** argv)
{
    DialogUnitsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogUnitsTest.moc"
