#pragma once
// The about window (Help > "About"): the logo, the build text, the
// information text with a tip per part, OK, Cancel and the link to the
// product's web page. User-interface thread.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <vector>

namespace tambrel {

class AboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit AboutFrm(QWidget* parent = nullptr);

    QLabel* Logo() const { return logo_; }
    QLabel* BuildLabel() const { return build_; }
    QLabel* LinkLabel() const { return link_; }
    const std::vector<QLabel*>& InfoLabels() const { return info_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    // The status-bar tip for where the mouse is.
    void TipChanged(const QString& text);
    // The web page link was followed; whoever shows the dialog opens it.
    void OpenUrlRequested(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLabel* logo_ = nullptr;
    QLabel* build_ = nullptr;
    QLabel* link_ = nullptr;
    std::vector<QLabel*> info_;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

// The program's logo drawn at size (logical pixels) for the screen's ratio.
QPixmap LogoPixmap(int size, qreal devicePixelRatio);

} // namespace tambrel
