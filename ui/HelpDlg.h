// The help box: the program's name, an attribution line and the user-level help text.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The 46-line help text, each line ended by "\r\n".
extern const char* const kHelpText;

class CHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CHelpDlg(QWidget* parent = nullptr);
    ~CHelpDlg() override;

private:
    QPushButton* okButton;
    QPlainTextEdit* helpEdit;
};
