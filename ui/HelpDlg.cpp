#include "ui/HelpDlg.h"

#include "ui/DialogUnits.h"
#include "ui/ProgramIcon.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

const char* const kHelpText =
    "Tarnex Model Converter Help\r\n"
    "\r\n"
    "Vertex Conversion\r\n"
    "- Uniform Scale\r\n"
    "  If your model(s) have any points outside of the (-128 to\r\n"
    "  128) bounding cube, they will automatically be scaled on\r\n"
    "  all axis to fit. If all of the models points reside \r\n"
    "  inside of the (-128 to 128) range, a uniform scale will\r\n"
    "  not be applied. The same uniform scale will be applied \r\n"
    "  to all models imported.\r\n"
    "\r\n"
    "- X,Y,Z Scale\r\n"
    "  Similar to the uniform scale, however each axis may be\r\n"
    "  scaled differently depending on how far points extend\r\n"
    "  past the (-128 to 128) bounding planes on each axis.\r\n"
    "\r\n"
    "- Clip Bounds\r\n"
    "  Any points that extend past the (-128 to 128) range will\r\n"
    "  be capped. This may distort your model quite severely but\r\n"
    "  it is useful for hand animations where the maximum range\r\n"
    "  may not be visible.\r\n"
    "\r\n"
    "Animation\r\n"
    "- Append Frames\r\n"
    "  Checking this box will append all converted frames to the\r\n"
    "  end of the selected output file. \r\n"
    "\r\n"
    "- Convert by object name\r\n"
    "  When this option is selected, every mesh object in the\r\n"
    "  .3DS file will become a separate animation frame, and\r\n"
    "  will be converted from it's first keyframe position. All\r\n"
    "  other keyframes will be ignored. You should choose a\r\n"
    "  different name for each object, numbering them is\r\n"
    "  probably the easiest to manage. While converting, the\r\n"
    "  sorting order of the names will determine the animation\r\n"
    "  sequence.\r\n"
    "\r\n"
    "- Convert by key frame\r\n"
    "  This option is by far the easiest way to convert an\r\n"
    "  animation sequence because it will use the animation as\r\n"
    "  it appears in the 3DS file (by keyframe). You may have\r\n"
    "  multiple mesh objects in the scene and they will be\r\n"
    "  combined to form the final .3D mesh.\r\n"
    "\r\n"
    "Questions: see the project's issue tracker\r\n"
    "Homepage: the Tarnex Model Converter repository\r\n";

namespace {

constexpr int kHelpTextId = 1000;

} // namespace

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

    auto* titleLabel = new QLabel(tr("Tarnex Tarnex Model Converter v.1.0"), this);
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
    // The box shows lines, not line ends: "\r\n" becomes one break.
    helpEdit->setPlainText(QString::fromLatin1(kHelpText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    setTabOrder(okButton, helpEdit);
    okButton->setFocus();
}

CHelpDlg::~CHelpDlg() = default;
