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

    void hiddenStatusAreaFollowsTheFont()
    {
        // The part below 118 units: 131 pixels for a 13-pixel font, 162 for a 16-pixel one.
        QCOMPARE(CDialogUnits(6, 13).Y(199) - CDialogUnits(6, 13).Y(118), 131);
        QCOMPARE(CDialogUnits(7, 16).Y(199) - CDialogUnits(7, 16).Y(118), 162);
    }
};

int RunDialogUnitsTests(int argc, char** argv)
{
    DialogUnitsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogUnitsTest.moc"
