#pragma once
// What screen readers and test tools see of a board view: the view is a
// client area whose children are its keys, each named by its label, with
// what it plays (or the board's tip) as description; pressing one makes it the edited key, as a
// click does.

#include <QAccessibleWidget>

namespace tambrel {

class KeyboardFrm;

// Installs the factory that gives every KeyboardFrm its accessible keys.
void InstallKeyboardAccessibility();

class KeyboardFrmAccessible : public QAccessibleWidget {
public:
    explicit KeyboardFrmAccessible(KeyboardFrm* frm);
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    KeyboardFrm* Frm() const;
};

} // namespace tambrel
