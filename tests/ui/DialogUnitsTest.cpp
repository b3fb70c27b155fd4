#include "ui/ConverterDlg.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

namespace {

QString SourceText(const char* file)
{
    QFile source(QStringLiteral(TARNEX_SOURCE_DIR "/") + QLatin1String(file));
    return source.open(QIODevice::ReadOnly) ? QString::fromUtf8(source.readAll()) : QString();
}

} // namespace

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

    // The Windows window is built from a resource template: its controls stand where this
    // window's do, with the same ids and captions.
    void windowsTemplateMatchesThisWindow()
    {
        QMap<QString, int> ids;
        const QRegularExpression define(QStringLiteral("#define (IDC_\\w+) (\\d+)"));
        for (auto it = define.globalMatch(SourceText("winui/resource.h")); it.hasNext();) {
            const auto match = it.next();
            ids.insert(match.captured(1), match.captured(2).toInt());
        }
        const QString resources = SourceText("winui/tarnex.rc.in");
        const qsizetype begin = resources.indexOf(QStringLiteral("IDD_MAIN DIALOGEX 0, 0, 461, 199"));
        QVERIFY(begin >= 0);
        const QString dialogTemplate = resources.mid(begin, resources.indexOf(QStringLiteral("\nEND"), begin) - begin);

        CConverterDlg dialog;
        const CDialogUnits units = CDialogUnits::FromFont(dialog.font());
        const QRegularExpression control(QStringLiteral(
            "^\\s*\\w+\\s+(?:\"([^\"]*)\",\\s*)?(IDC_\\w+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"),
                                         QRegularExpression::MultilineOption);
        QList<int> placed;
        for (auto it = control.globalMatch(dialogTemplate); it.hasNext();) {
            const auto match = it.next();
            QVERIFY2(ids.contains(match.captured(2)), qPrintable(match.captured(2)));
            const int id = ids.value(match.captured(2));
            QWidget* widget = dialog.Control(id);
            QVERIFY2(widget, qPrintable(match.captured(2)));
            QCOMPARE(widget->geometry(), units.Rect(match.captured(3).toInt(), match.captured(4).toInt(),
                                                    match.captured(5).toInt(), match.captured(6).toInt()));
            if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !match.captured(1).isEmpty())
                QCOMPARE(button->text(), match.captured(1));
            placed.append(id);
        }
        std::sort(placed.begin(), placed.end());
        QCOMPARE(placed, QList<int>(CConverterDlg::kControlIds.begin(), CConverterDlg::kControlIds.end()));
    }
};

int RunDialogUnitsTests(int argc, char** argv)
{
    DialogUnitsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogUnitsTest.moc"
