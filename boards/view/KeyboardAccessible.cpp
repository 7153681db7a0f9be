#include "boards/view/KeyboardAccessible.h"

#include <QAccessibleActionInterface>
#include <QWindow>

#include "boards/view/KeyboardFrm.h"
#include "common/CodePage.h"

namespace tambrel {

namespace {

QString Text(std::string_view s) { return QString::fromStdString(Cp1252ToUtf8(s)); }

// One key of one surface.
class KeyAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    KeyAccessible(KeyboardFrm* frm, int index) : frm_(frm), index_(index) {}

    bool isValid() const override { return frm_ && Key() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return frm_ ? frm_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(frm_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Button; }

    QString text(QAccessible::Text t) const override {
        const BoardKey* k = Key();
        if (!k) return {};
        switch (t) {
        case QAccessible::Name: {
            const QString label = Text(frm_->KeyLabel(index_));
            return label.trimmed().isEmpty() ? QString("Key %1").arg(k->Key) : label.trimmed();
        }
        case QAccessible::Description:
            // What the key plays, so a screen reader says "A, Kick"; the
            // board's tip for a key that plays nothing.
            if (!k->Sound.empty()) return Text(k->Sound);
            return QString::fromUtf8(kBoardSurfaceTip.data(), static_cast<qsizetype>(kBoardSurfaceTip.size()));
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const BoardKey* k = Key();
        if (!k) return {};
        const BoardSurface& s = *frm_->SurfaceOfAccessible(index_);
        const QRect local(QPoint(s.Left + k->Left, s.Top + k->Top), QPoint(s.Left + k->Right, s.Top + k->Bottom));
        return QRect(frm_->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override {
        QAccessible::State st;
        const BoardKey* k = Key();
        st.focusable = true;
        st.selected = k && k->Highlighted;
        st.invisible = !frm_ || !frm_->isVisible();
        return st;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && frm_) frm_->PressAccessibleKey(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    const BoardKey* Key() const { return frm_ ? frm_->AccessibleKey(index_) : nullptr; }
    QPointer<KeyboardFrm> frm_;
    int index_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("tambrel::KeyboardFrm") && object && object->isWidgetType())
        return new KeyboardFrmAccessible(static_cast<KeyboardFrm*>(object));
    return nullptr;
}

} // namespace

void InstallKeyboardAccessibility() {
    static bool installed = false;
    if (!installed) QAccessible::installFactory(Factory);
    installed = true;
}

KeyboardFrmAccessible::KeyboardFrmAccessible(KeyboardFrm* frm) : QAccessibleWidget(frm, QAccessible::Client) {}

KeyboardFrm* KeyboardFrmAccessible::Frm() const { return static_cast<KeyboardFrm*>(widget()); }

int KeyboardFrmAccessible::childCount() const { return Frm()->AccessibleKeyCount(); }

QAccessibleInterface* KeyboardFrmAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    QAccessible::Id& id = Frm()->AccessibleId(index);
    if (id == 0) id = QAccessible::registerAccessibleInterface(new KeyAccessible(Frm(), index));
    return QAccessible::accessibleInterface(id);
}

int KeyboardFrmAccessible::indexOfChild(const QAccessibleInterface* c) const {
    for (int i = 0; i < childCount(); ++i)
        if (Frm()->AccessibleId(i) != 0 && QAccessible::accessibleInterface(Frm()->AccessibleId(i)) == c) return i;
    return -1;
}

QAccessibleInterface* KeyboardFrmAccessible::childAt(int x, int y) const {
    for (int i = 0; i < childCount(); ++i)
        if (QAccessibleInterface* c = child(i); c && c->rect().contains(x, y)) return c;
    return nullptr;
}

} // namespace tambrel
