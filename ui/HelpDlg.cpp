#include "ui/HelpDlg.h"

#include "platform/StatusLine.h"
#include "ui/DialogUnits.h"
#include "ui/ProgramIcon.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The help text, a line an entry; each line ends in kLineEnd.
const char* const kHelpLines[] = {
    "Tarnex Model Converter Help",
    "",
    "Vertex Conversion",
    "- Uniform Scale",
    "  If your model(s) have any points outside of the (-128 to",
    "  128) bounding cube, they will automatically be scaled on",
    "  all axis to fit. If all of the models points reside ",
    "  inside of the (-128 to 128) range, a uniform scale will",
    "  not be applied. The same uniform scale will be applied ",
    "  to all models imported.",
    "",
    "- X,Y,Z Scale",
    "  Similar to the uniform scale, however each axis may be",
    "  scaled differently depending on how far points extend",
    "  past the (-128 to 128) bounding planes on each axis.",
    "",
    "- Clip Bounds",
    "  Any points that extend past the (-128 to 128) range will",
    "  be capped. This may distort your model quite severely but",
    "  it is useful for hand animations where the maximum range",
    "  may not be visible.",
    "",
    "Animation",
    "- Append Frames",
    "  Checking this box will append all converted frames to the",
    "  end of the selected output file. ",
    "",
    "- Convert by object name",
    "  When this option is selected, every mesh object in the",
    "  .3DS file will become a separate animation frame, and",
    "  will be converted from it's first keyframe position. All",
    "  other keyframes will be ignored. You should choose a",
    "  different name for each object, numbering them is",
    "  probably the easiest to manage. While converting, the",
    "  sorting order of the names will determine the animation",
    "  sequence.",
    "",
    "- Convert by key frame",
    "  This option is by far the easiest way to convert an",
    "  animation sequence because it will use the animation as",
    "  it appears in the 3DS file (by keyframe). You may have",
    "  multiple mesh objects in the scene and they will be",
    "  combined to form the final .3D mesh.",
    "",
    "Unreal Editor",
    "- Fill the cube (finest detail)",
    "  With Uniform Scale or X,Y,Z Scale, the model is centred",
    "  on the origin and a model that fits inside the (-128 to",
    "  128) cube is also scaled up until it fills it, so that a",
    "  small model keeps its detail instead of collapsing onto",
    "  the coarse grid of the .3D vertices. Without it, the log",
    "  notes a model that uses hardly any of the grid.",
    "",
    "- Write import script (.uc)",
    "  Also writes NAME.uc beside NAME_d.3d and NAME_a.3d: the",
    "  #exec lines that import the mesh with its animation",
    "  sequences and textures, and the MESHMAP SCALE that gives",
    "  the model back its .3DS size. Put the .3D files in the",
    "  Models folder of your package, the textures (as .pcx) in",
    "  Textures and NAME.uc in Classes. When appending, the",
    "  script is written again for the whole animation.",
    "  Ticking it also ticks Fill the cube: the script's MESH",
    "  ORIGIN and MESHMAP SCALE put the model back in place.",
    "",
    "- Package folder",
    "  The output's folder becomes the package folder: the .3D",
    "  files go to its Models folder, NAME.uc to Classes and",
    "  every texture the script names, converted to an 8-bit",
    "  .pcx, to Textures; a map that cannot be found or read",
    "  gets a grey checker, and the log says why. The maps are",
    "  looked for beside the .3DS file and in maps, textures or",
    "  images folders in or beside its folder. Then list the",
    "  package as EditPackages=PACKAGE in the",
    "  [Editor.EditorEngine] section of the game's ini file and",
    "  delete an old PACKAGE.u before ucc make builds it again.",
    "",
    "- Size in Unreal units",
    "  With the script, the model's largest extent in the game",
    "  (a player is about 78 units tall); empty keeps the .3DS",
    "  units.",
    "",
    "- Exact animation",
    "  By key frame, follows the scene's node hierarchy,",
    "  pivots, rotation keys and splines as 3D Studio plays",
    "  them. By name it changes nothing.",
    "",
    "- Number every texture map",
    "  A material whose name does not follow the skin naming",
    "  but that has a texture map gets the lowest texture",
    "  number no other triangle carries, in the order the",
    "  triangles first use the materials; the log lists them",
    "  and the script imports each map. Without it such",
    "  materials share texture 0, and the log says so.",
    "",
    "- Deus Ex format",
    "  Writes the animation file in the Deus Ex variant: four",
    "  16-bit words a vertex, 1/256 unit steps on every axis",
    "  instead of 1/8 and 1/4, at most 8191 vertices. A file",
    "  is appended to only in its own format.",
    "",
    "Questions: see the project's issue tracker",
    "Homepage: the Tarnex Model Converter repository",
};

constexpr int kHelpTextId = 1000;

} // namespace

std::string HelpText()
{
    std::string text;
    for (const char* line : kHelpLines)
        text += std::string(line) + kLineEnd;
    return text;
}

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Tarnex Help"));
    setWindowIcon(ProgramIcon());
    setFont(TemplateFont());
    const CDialogUnits units = CDialogUnits::FromFont(font());
    setFixedSize(units.Size(217, 175));

    // Template order, which is also the tab order: only OK and the text take the focus.
    auto* iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("icon"));
    const QPixmap icon = ProgramIcon().pixmap(32, 32);
    iconLabel->setPixmap(icon);
    iconLabel->setGeometry(QRect(units.X(7), units.Y(5), icon.width(), icon.height()));

    auto* titleLabel = new QLabel(tr("Tarnex Model Converter v.1.0"), this);
    titleLabel->setObjectName(QStringLiteral("title"));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setGeometry(units.Rect(40, 3, 119, 8));

    auto* attributionLabel = new QLabel(tr("Part of the Tarnex Model Converter project"), this);
    attributionLabel->setObjectName(QStringLiteral("attribution"));
    attributionLabel->setTextFormat(Qt::PlainText);
    attributionLabel->setGeometry(units.Rect(40, 17, 160, 8));

    okButton = new QPushButton(tr("OK"), this);
    okButton->setObjectName(QStringLiteral("ok"));
    okButton->setGeometry(units.Rect(178, 154, 32, 14));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    helpEdit = new QPlainTextEdit(this);
    helpEdit->setObjectName(QStringLiteral("helpText"));
    helpEdit->setProperty("controlId", kHelpTextId);
    helpEdit->setGeometry(units.Rect(7, 32, 203, 117));
    helpEdit->setReadOnly(true);
    helpEdit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    helpEdit->setTabChangesFocus(true);
    helpEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    helpEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // The box shows lines, not line ends: each line end becomes one break.
    helpEdit->setPlainText(QString::fromStdString(HelpText()).replace(QString::fromLatin1(kLineEnd), QStringLiteral("\n")));

    setTabOrder(okButton, helpEdit);
    okButton->setFocus();
}

CHelpDlg::~CHelpDlg() = default;
