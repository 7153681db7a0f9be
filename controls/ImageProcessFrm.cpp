#include "controls/ImageProcessFrm.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

#include "common/Settings.h"
#include "controls/SkinRules.h"

// The skins are compiled into this static library; the resource must be
// registered by name or the linker leaves it out.
static void RegisterSkinResources() { Q_INIT_RESOURCE(skins); }

namespace tambrel {

namespace {

const QString kErrorGetting = QStringLiteral("Error Getting Picture name");
const QString kErrorLoading = QStringLiteral("Error loading Picture");

QString NoPicture() { return QString::fromLatin1(skin::kNoPicture.data(), skin::kNoPicture.size()); }

} // namespace

ImageProcessFrm::ImageProcessFrm(QObject* parent, QString skinRoot) : QObject(parent), root_(std::move(skinRoot)) {
    static const bool registered = (RegisterSkinResources(), true);
    (void)registered;
    onError_ = [](const QString& text, const QString& name) {
        // Pictures are fetched while painting; the box waits for the event
        // loop so that no dialog runs inside a paint.
        QMetaObject::invokeMethod(
            qApp,
            [text, name] {
                QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                                text + QLatin1Char('\n') + name, QMessageBox::Ok);
                box.setTextFormat(Qt::PlainText);
                box.exec();
            },
            Qt::QueuedConnection);
    };
}

ImageProcessFrm::~ImageProcessFrm() = default;

ImageProcessFrm& ImageProcessFrm::Shared() {
    static ImageProcessFrm* store = [] {
        auto* s = new ImageProcessFrm(qApp);
        s->ResetPictures();
        return s;
    }();
    return *store;
}

std::vector<int> ImageProcessFrm::AvailableSkins() const {
    std::vector<int> out;
    const QDir dir(root_);
    for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int n = entry.toInt(&ok);
        if (ok && n >= 0 && !QDir(dir.filePath(entry)).isEmpty()) out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void ImageProcessFrm::ResetPictures() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ResetPictures(screen ? screen->depth() : 32);
}

void ImageProcessFrm::ResetPictures(int screenDepth) {
    std::string asked(skin::kSkinDefaultText);
    if (settings_) asked = settings_->ReadSetting(skin::kSkinSection, skin::kSkinKey, skin::kSkinDefaultText);
    const skin::SkinChoice choice = skin::ChooseSkin(asked, screenDepth, AvailableSkins());
    fellBack_ = choice.fellBack;
    LoadSkin(choice.skin);
    emit PicturesReset();
}

void ImageProcessFrm::LoadSkin(int skin) {
    skin_ = skin;
    pictures_.clear();
    sizedCopies_.clear();
    rendered_.clear();
    reported_.clear();
    const QDir dir(root_ + QLatin1Char('/') + QString::number(skin));
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        Picture p;
        if (!LoadPicture(file.filePath(), p)) {
            Report(kErrorLoading, file.completeBaseName());
            continue;
        }
        pictures_.insert(file.completeBaseName(), std::move(p));
    }
}

bool ImageProcessFrm::LoadPicture(const QString& path, Picture& out) const {
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        auto svg = std::make_shared<QSvgRenderer>(path);
        if (!svg->isValid() || svg->defaultSize().isEmpty()) return false;
        out.svg = std::move(svg);
        out.size = out.svg->defaultSize();
        return true;
    }
    QImageReader reader(path);
    // A hostile or broken file must not make us allocate without bound.
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > 16384 || declared.height() > 16384)) return false;
    QImage img = reader.read();
    if (img.isNull()) return false;
    out.raster = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.size = img.size();
    return true;
}

void ImageProcessFrm::Report(const QString& text, const QString& name) {
    const QString id = text + QLatin1Char('\n') + name;
    if (reported_.contains(id)) return;
    reported_.insert(id);
    if (onError_) onError_(text, name);
}

QString ImageProcessFrm::Get_PicturName(const QString& name, int width, int height) {
    const QString base = QString::fromStdString(skin::NormalisePictureName(name.toStdString()));
    if (base == NoPicture()) return base;
    const auto it = pictures_.constFind(base);
    if (it == pictures_.constEnd()) {
        Report(kErrorGetting, base);
        return {};
    }
    const skin::PictureSize stored{it->size.width(), it->size.height()};
    if (skin::ServesRequest(stored, {width, height})) return base;
    const auto size = skin::SizedCopySize(stored, {width, height});
    if (!size) {
        Report(kErrorGetting, base);
        return {};
    }
    const QString key = QString::fromStdString(skin::SizedPictureKey(base.toStdString(), width, height));
    if (!pictures_.contains(key)) {
        // The copy shares the scalable source and is drawn at its own size,
        // so it stays sharp however it is stretched.
        Picture copy = *it;
        copy.size = QSize(size->width, size->height);
        pictures_.insert(key, std::move(copy));
        sizedCopies_.insert(key);
    }
    return key;
}

QSize ImageProcessFrm::PictureSize(const QString& key) const {
    const auto it = pictures_.constFind(key);
    return it == pictures_.constEnd() ? QSize() : it->size;
}

QStringList ImageProcessFrm::PictureNames() const {
    QStringList out;
    for (auto it = pictures_.constBegin(); it != pictures_.constEnd(); ++it)
        if (!sizedCopies_.contains(it.key())) out << it.key();
    out.sort();
    return out;
}

QPixmap ImageProcessFrm::Pixmap(const QString& key, qreal dpr, const QColor& maskColor) const {
    const auto it = pictures_.constFind(key);
    if (it == pictures_.constEnd()) return {};
    if (!(dpr > 0) || dpr > 8) dpr = 1;
    const QString cacheKey = key + QLatin1Char('@') + QString::number(dpr) + QLatin1Char('#') +
                             (maskColor.isValid() ? maskColor.name() : QString());
    if (const auto hit = rendered_.constFind(cacheKey); hit != rendered_.constEnd()) return *hit;

    const QSize device(std::max(1, static_cast<int>(std::lround(it->size.width() * dpr))),
                       std::max(1, static_cast<int>(std::lround(it->size.height() * dpr))));
    QImage img(device, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (it->svg) it->svg->render(&p, QRectF(QPointF(0, 0), QSizeF(device)));
        else p.drawImage(QRect(QPoint(0, 0), device), it->raster);
    }
    if (maskColor.isValid()) {
        for (int y = 0; y < img.height(); ++y)
            skin::ApplyMaskColor(reinterpret_cast<std::uint32_t*>(img.scanLine(y)),
                                 static_cast<std::size_t>(img.width()), maskColor.rgb() & 0xFFFFFFu);
    }
    img.setDevicePixelRatio(dpr);
    QPixmap pm = QPixmap::fromImage(std::move(img));
    rendered_.insert(cacheKey, pm);
    return pm;
}

} // namespace tambrel
