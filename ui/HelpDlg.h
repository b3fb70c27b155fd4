// The help box: the program's name, an attribution line and the user-level help text.
#pragma once

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

// The help text, each line ended by carriage return and line feed.
std::string HelpText();

class CHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CHelpDlg(QWidget* parent = nullptr);
    ~CHelpDlg() override;

private:
    QPushButton* okButton;
    QPlainTextEdit* helpEdit;
};
