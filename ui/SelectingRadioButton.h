// A radio button that only ever selects itself when clicked: it neither deselects its neighbours
// nor lets a second click clear it; the dialog's handlers keep each group exclusive. As in any
// dialog, Tab reaches a group at its selected button and the arrow keys move the selection.
#pragma once

#include <QRadioButton>

#include <vector>

class CSelectingRadioButton final : public QRadioButton {
public:
    CSelectingRadioButton(const QString& text, QWidget* parent);

    // Makes the buttons one group, in the order the arrow keys move through them.
    static void MakeGroup(const std::vector<CSelectingRadioButton*>& buttons);

protected:
    void nextCheckState() override { setChecked(true); }
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::vector<CSelectingRadioButton*> group_;
};
