#include "app/HelpWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "app/QtShell.h"
#include "controls/ControlTips.h"
#include "session/HelpFile.h"

namespace tambrel {

namespace {
constexpr char kTopicProperty[] = "tambrelHelpTopic";
} // namespace

void SetHelpTopic(QWidget* w, int topic) {
    if (w) w->setProperty(kTopicProperty, topic);
}

int HelpTopicOf(const QWidget* w) {
    for (; w; w = w->parentWidget()) {
        const QVariant v = w->property(kTopicProperty);
        if (v.isValid() && v.toInt() != kTopicNone) return v.toInt();
    }
    return kTopicNone;
}

HelpWindow::HelpWindow(const QString& helpFile, QWidget* parent) : QDialog(parent), file_(helpFile) {
    setObjectName("HelpWindow");
    setWindowTitle(FromCore(kHelpWindowTitle));
    setAccessibleName(windowTitle());
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* contents = new QPushButton("Contents", this);
    auto* back = new QPushButton("Back", this);
    auto* forward = new QPushButton("Forward", this);
    const std::pair<QPushButton*, const char*> tips[] = {{contents, "Go to the list of help topics"},
                                                         {back, "Go back to the page read before"},
                                                         {forward, "Go forward again"}};
    for (const auto& [b, tip] : tips) {
        DescribeControl(b, b->text(), tip);
        b->setAutoDefault(false);
        bar->addWidget(b);
    }
    bar->addStretch(1);
    layout->addLayout(bar);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setAccessibleName("Help text");
    // Web addresses go to the desktop's browser; the help's own pages stay here.
    browser_->setOpenExternalLinks(true);
    layout->addWidget(browser_, 1);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(kTopicContents); });
    const QScreen* s = QApplication::primaryScreen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(820, avail.width()), std::min(700, avail.height()));
}

void HelpWindow::ShowTopic(int topic) {
    QUrl url = QUrl::fromLocalFile(file_);
    const std::string_view anchor = HelpAnchor(topic);
    url.setFragment(QString::fromLatin1(anchor.data(), static_cast<qsizetype>(anchor.size())));
    if (browser_->source().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment)) {
        browser_->setSource(url);
        browser_->scrollToAnchor(url.fragment());
    } else {
        browser_->setSource(url);
    }
}

HelpWindow* ShowHelp(ProgramState& st, int topic, QWidget* mainWindow) {
    const std::string path = HelpFilePath(st.AppPath);
    if (!QFileInfo(QString::fromStdString(path)).isFile()) {
        // Asked for help there is none of: say where it should have been.
        SetHelpFile(st);
        return nullptr;
    }
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner || qobject_cast<HelpWindow*>(owner)) owner = mainWindow;
    HelpWindow* w = owner ? owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!w) w = new HelpWindow(QString::fromStdString(path), owner);
    w->ShowTopic(topic);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

} // namespace tambrel
