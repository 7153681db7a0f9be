#pragma once
// A value shown as a label that becomes an edit field when clicked (or, with
// the focus on it, on Enter, Space or F2). In the field Enter accepts the
// typing (AcceptEdit), Escape drops it (CancelEdit); every other key is
// passed to the container as KeyDown before the field takes it. Leaving the
// field accepts, so nothing typed is lost by clicking elsewhere.

#include <QColor>
#include <QFont>
#include <QWidget>

#include "controls/PictureSlot.h"

class QLineEdit;

namespace tambrel {

class ImageProcessFrm;

class TransDisplay : public QWidget {
    Q_OBJECT
public:
    explicit TransDisplay(QWidget* parent = nullptr, ImageProcessFrm* store = nullptr);

    QString Text() const { return text_; }
    // The shown value; while editing, the field's typing is kept.
    void SetText(const QString& text);
    bool IsEditing() const;
    // What a click does: hide the label, show the field with the text.
    void BeginEdit();
    // Field text becomes Text, back to the label; sends EditAccepted.
    void AcceptEdit();
    // Field text dropped, the label shows Text as before; sends EditCanceled.
    void CancelEdit();

    void SetMaxLength(int n);
    void SetAlignment(Qt::Alignment a);
    void SetLblTop(int y);
    void SetLabelFont(const QFont& f);   // FontLbl
    void SetEditFont(const QFont& f);    // FontTxt
    void SetLabelColor(const QColor& c); // ForeColorLbl
    void SetEditColor(const QColor& c);  // ForeColorTxt
    void SetBackColor(const QColor& c);
    // 0 transparent, 1 opaque BackColor behind the picture.
    void SetBackStyle(int style);
    // 0 none, 1 a thin border.
    void SetBorderStyle(int style);
    void SetPictureName(const QString& name);
    QString PictureName() const { return picture_.Name(); }
    void SetMaskColor(const QColor& c);
    void SetTip(const QString& tip);
    // The edit field, for tests and for focus chains.
    QLineEdit* Field() const { return edit_; }

    void UpdatePicture();
    QSize sizeHint() const override;

signals:
    void EditAccepted(const QString& text);
    void EditCanceled();
    // A key typed in the field other than Enter and Escape.
    void KeyDown(int key, Qt::KeyboardModifiers shift, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void EndEdit();
    void StyleField();

    ImageProcessFrm* store_;
    QLineEdit* edit_;
    PictureSlot picture_{QStringLiteral("Display")};
    QString text_;
    QFont fontLbl_, fontTxt_;
    QColor foreLbl_, foreTxt_, back_, mask_;
    Qt::Alignment align_ = Qt::AlignLeft;
    int lblTop_ = 0;
    int backStyle_ = 0;
    int borderStyle_ = 0;
    bool ending_ = false;
};

} // namespace tambrel
