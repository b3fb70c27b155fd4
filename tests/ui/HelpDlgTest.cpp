#include "ui/HelpDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Lines 1 to 44 as they must read, the editor's options, then the project's own two closing lines.
const char* const kExpectedHelp =
    "Tarnex Model Converter Help\n"
    "\n"
    "Vertex Conversion\n"
    "- Uniform Scale\n"
    "  If your model(s) have any points outside of the (-128 to\n"
    "  128) bounding cube, they will automatically be scaled on\n"
    "  all axis to fit. If all of the models points reside \n"
    "  inside of the (-128 to 128) range, a uniform scale will\n"
    "  not be applied. The same uniform scale will be applied \n"
    "  to all models imported.\n"
    "\n"
    "- X,Y,Z Scale\n"
    "  Similar to the uniform scale, however each axis may be\n"
    "  scaled differently depending on how far points extend\n"
    "  past the (-128 to 128) bounding planes on each axis.\n"
    "\n"
    "- Clip Bounds\n"
    "  Any points that extend past the (-128 to 128) range will\n"
    "  be capped. This may distort your model quite severely but\n"
    "  it is useful for hand animations where the maximum range\n"
    "  may not be visible.\n"
    "\n"
    "Animation\n"
    "- Append Frames\n"
    "  Checking this box will append all converted frames to the\n"
    "  end of the selected output file. \n"
    "\n"
    "- Convert by object name\n"
    "  When this option is selected, every mesh object in the\n"
    "  .3DS file will become a separate animation frame, and\n"
    "  will be converted from it's first keyframe position. All\n"
    "  other keyframes will be ignored. You should choose a\n"
    "  different name for each object, numbering them is\n"
    "  probably the easiest to manage. While converting, the\n"
    "  sorting order of the names will determine the animation\n"
    "  sequence.\n"
    "\n"
    "- Convert by key frame\n"
    "  This option is by far the easiest way to convert an\n"
    "  animation sequence because it will use the animation as\n"
    "  it appears in the 3DS file (by keyframe). You may have\n"
    "  multiple mesh objects in the scene and they will be\n"
    "  combined to form the final .3D mesh.\n"
    "\n"
    "Unreal Editor\n"
    "- Fill the cube (finest detail)\n"
    "  With Uniform Scale or X,Y,Z Scale, the model is centred\n"
    "  on the origin and a model that fits inside the (-128 to\n"
    "  128) cube is also scaled up until it fills it, so that a\n"
    "  small model keeps its detail instead of collapsing onto\n"
    "  the coarse grid of the .3D vertices. Without it, the log\n"
    "  notes a model that uses hardly any of the grid.\n"
    "\n"
    "- Write import script (.uc)\n"
    "  Also writes NAME.uc beside NAME_d.3d and NAME_a.3d: the\n"
    "  #exec lines that import the mesh with its animation\n"
    "  sequences and textures, and the MESHMAP SCALE that gives\n"
    "  the model back its .3DS size. Put the .3D files in the\n"
    "  Models folder of your package, the textures (as .pcx) in\n"
    "  Textures and NAME.uc in Classes. When appending, the\n"
    "  script is written again for the whole animation.\n"
    "  Ticking it also ticks Fill the cube: the script's MESH\n"
    "  ORIGIN and MESHMAP SCALE put the model back in place.\n"
    "\n"
    "- Package folder\n"
    "  The output's folder becomes the package folder: the .3D\n"
    "  files go to its Models folder, NAME.uc to Classes and\n"
    "  every texture the script names, converted to an 8-bit\n"
    "  .pcx, to Textures; a map that cannot be found or read\n"
    "  gets a grey checker, and the log says why. The maps are\n"
    "  looked for beside the .3DS file and in maps, textures or\n"
    "  images folders in or beside its folder. Then list the\n"
    "  package as EditPackages=PACKAGE in the\n"
    "  [Editor.EditorEngine] section of the game's ini file and\n"
    "  delete an old PACKAGE.u before ucc make builds it again.\n"
    "\n"
    "- Size in Unreal units\n"
    "  With the script, the model's largest extent in the game\n"
    "  (a player is about 78 units tall); empty keeps the .3DS\n"
    "  units.\n"
    "\n"
    "- Exact animation\n"
    "  By key frame, follows the scene's node hierarchy,\n"
    "  pivots, rotation keys and splines as 3D Studio plays\n"
    "  them. By name it changes nothing.\n"
    "\n"
    "- Number every texture map\n"
    "  A material whose name does not follow the skin naming\n"
    "  but that has a texture map gets the lowest texture\n"
    "  number no other triangle carries, in the order the\n"
    "  triangles first use the materials; the log lists them\n"
    "  and the script imports each map. Without it such\n"
    "  materials share texture 0, and the log says so.\n"
    "\n"
    "- Deus Ex format\n"
    "  Writes the animation file in the Deus Ex variant: four\n"
    "  16-bit words a vertex, 1/256 unit steps on every axis\n"
    "  instead of 1/8 and 1/4, at most 8191 vertices. A file\n"
    "  is appended to only in its own format.\n"
    "\n"
    "Questions: see the project's issue tracker\n"
    "Homepage: the Tarnex Model Converter repository\n";

} // namespace

class HelpDlgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsTheHelpTextFromItsFirstLine()
    {
        CHelpDlg box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto* text = box.findChild<QPlainTextEdit*>("helpText");
        QVERIFY(text != nullptr);
        QCOMPARE(text->toPlainText(), QString::fromLatin1(kExpectedHelp));
        QCOMPARE(text->document()->blockCount(), 103); // 102 lines, each ended
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->verticalScrollBar()->value(), 0);
        QCOMPARE(box.windowTitle(), QString("Tarnex Help"));
        QCOMPARE(box.findChild<QLabel*>("title")->text(), QString("Tarnex Model Converter v.1.0"));
    }

    void focusStartsOnOkAndEnterCloses()
    {
        CHelpDlg box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto* ok = box.findChild<QPushButton*>("ok");
        QCOMPARE(box.focusWidget(), ok);
        QVERIFY(ok->isDefault());
        QTest::keyClick(&box, Qt::Key_Return);
        QTRY_VERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    void escapeClosesLikeOk()
    {
        CHelpDlg box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(&box, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }
};

int RunHelpDlgTests(int argc, char** argv)
{
    HelpDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HelpDlgTest.moc"
