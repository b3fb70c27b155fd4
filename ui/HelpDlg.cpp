#include "ui/HelpDlg.h"

#include "platform/StatusLine.h"
#include "ui/DialogUnits.h"
#include "ui/ProgramIcon.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

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
