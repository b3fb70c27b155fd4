// The help box: the program's name, an attribution line and the user-level help text.
#pragma once

#include "convert/HelpText.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class CHelpDlg : public QDialog {
    Q_OBJECT

public:
    explicit CHelpDlg(QWidget* parent = nullptr);
    ~CHelpDlg() override;

private:
    QPushButton* okButton;
    QPlainTextEdit* helpEdit;
};
