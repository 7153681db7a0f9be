#include "app/AboutFrm.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/HelpWindow.h"
#include "app/QtShell.h"
#include "controls/ControlTips.h"
#include "session/AboutInfo.h"
#include "session/HelpFile.h"

#ifndef TAMBREL_VERSION
#define TAMBREL_VERSION ""
#endif
#ifndef TAMBREL_BUILD_DATE
#define TAMBREL_BUILD_DATE ""
#endif

// The resources of a static library are registered by hand.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace tambrel {

namespace {
constexpr char kTipProperty[] = "tambrelTip";
} // namespace

QPixmap LogoPixmap(int size, qreal devicePixelRatio) {
    QPixmap pm(QSize(size, size) * devicePixelRatio);
    pm.fill(Qt::transparent);
    InitAppResources();
    QSvgRenderer svg(QStringLiteral(":/tambrel/logo.svg"));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    p.end();
    pm.setDevicePixelRatio(devicePixelRatio);
    return pm;
}

AboutFrm::AboutFrm(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutFrm");
    setWindowTitle(FromCore(kAboutTitle));
    setAccessibleName(windowTitle());
    SetHelpTopic(this, kTopicAbout);

    auto* layout = new QHBoxLayout(this);
    logo_ = new QLabel(this);
    logo_->setObjectName("LogoPic");
    logo_->setAccessibleName("Tambrel Orchestra logo");
    logo_->setPixmap(LogoPixmap(96, devicePixelRatioF()));
    logo_->setAlignment(Qt::AlignTop);
    layout->addWidget(logo_);

    auto* right = new QVBoxLayout;
    auto addLabel = [this, right](const QString& text, const QString& tip) {
        auto* l = new QLabel(text, this);
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        DescribeControl(l, text, tip);
        l->setProperty(kTipProperty, tip);
        l->installEventFilter(this);
        right->addWidget(l);
        return l;
    };
    const std::vector<AboutPart> parts = AboutInformation();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        QLabel* l = addLabel(FromCore(parts[i].text), FromCore(parts[i].tip));
        if (i == 0) {
            QFont f = l->font();
            f.setPointSizeF(f.pointSizeF() * 1.5);
            f.setBold(true);
            l->setFont(f);
            // The build text stands right under the program's name.
            build_ = addLabel(FromCore(AboutBuildText(TAMBREL_VERSION, TAMBREL_BUILD_DATE)), FromCore(kBuildTip));
            build_->setObjectName("VersionLbl");
        }
        info_.push_back(l);
    }
    link_ = addLabel(FromCore(kProductWebPage), FromCore(kLinkTip));
    link_->setObjectName("LinkLbl");
    link_->setCursor(Qt::PointingHandCursor);
    link_->setFocusPolicy(Qt::TabFocus);
    QPalette pal = link_->palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    link_->setPalette(pal);
    QFont lf = link_->font();
    lf.setUnderline(true);
    link_->setFont(lf);
    right->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OkBtn");
    ok_->setAccessibleName("OK");
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("CancelBtn");
    cancel_->setAccessibleName("Cancel");
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    right->addLayout(buttons);
    layout->addLayout(right, 1);
    // Both only close the window.
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget* w : std::initializer_list<QWidget*>{this, ok_, cancel_}) w->installEventFilter(this);
    setMinimumWidth(460);
}

bool AboutFrm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Enter) emit TipChanged(watched->property(kTipProperty).toString());
    const bool activate =
        (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) ||
        (e->type() == QEvent::KeyPress &&
         (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space || static_cast<QKeyEvent*>(e)->key() == Qt::Key_Return));
    if (watched == link_ && activate) {
        emit OpenUrlRequested(QUrl(FromCore(kProductWebPage)));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace tambrel
