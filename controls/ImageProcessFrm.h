#pragma once
// The image store of the skinned controls: the current skin's pictures by
// name, plus copies at the sizes controls ask for. Pictures are kept
// scalable (SVG) where the skin has them, so every control paints sharp at
// its screen's device pixel ratio.
//
// User-interface thread only.

#include <QColor>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSvgRenderer;

namespace tambrel {

class Settings;

class ImageProcessFrm : public QObject {
    Q_OBJECT
public:
    // Skins are read from folders named by their number under skinRoot
    // (the compiled-in skins under ":/skins" by default).
    explicit ImageProcessFrm(QObject* parent = nullptr, QString skinRoot = QStringLiteral(":/skins"));
    ~ImageProcessFrm() override;

    // The store the controls use unless given another one.
    static ImageProcessFrm& Shared();

    // Where "Current Skin" is read; nullptr reads the default skin.
    void SetSettings(const Settings* settings) { settings_ = settings; }

    // Reloads the store from the skin the settings and the primary screen's
    // colour depth choose; with a depth given, as if the screen had it.
    void ResetPictures();
    void ResetPictures(int screenDepth);
    int CurrentSkin() const { return skin_; }
    // True when the last reset had to fall back from the skin asked for.
    bool FellBack() const { return fellBack_; }
    // The skin numbers that have a picture set under the skin root.
    std::vector<int> AvailableSkins() const;

    // The key of the picture `name` at width x height (height 0: any
    // height), creating the sized copy when missing. A blank name is "None".
    // An unknown name or a size that cannot be drawn reports "Error Getting
    // Picture name" and returns an empty string.
    QString Get_PicturName(const QString& name, int width, int height);

    bool Contains(const QString& key) const { return pictures_.contains(key); }
    // The logical size of a stored picture (invalid when unknown).
    QSize PictureSize(const QString& key) const;
    // Every base picture of the current skin, sorted.
    QStringList PictureNames() const;

    // The picture under `key` at its logical size, drawn for a screen of
    // device pixel ratio dpr; pixels of exactly maskColor (when valid)
    // become transparent. Null when the key is unknown or "None".
    QPixmap Pixmap(const QString& key, qreal dpr, const QColor& maskColor = QColor()) const;

    // Receives the store's error texts ("Error Getting Picture name",
    // "Error loading Picture") with the picture name concerned. The default
    // shows a message box once the event loop is free; each text and name is reported once per skin load
    // so that many controls with the same bad name do not flood the screen.
    using ErrorHandler = std::function<void(const QString& text, const QString& name)>;
    void SetErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

signals:
    // The pictures were reloaded: controls fetch theirs again.
    void PicturesReset();

private:
    struct Picture {
        std::shared_ptr<QSvgRenderer> svg; // scalable source, or
        QImage raster;                     // a fixed picture
        QSize size;                        // logical size
    };
    void LoadSkin(int skin);
    bool LoadPicture(const QString& path, Picture& out) const;
    void Report(const QString& text, const QString& name);

    QString root_;
    const Settings* settings_ = nullptr;
    int skin_ = -1;
    bool fellBack_ = false;
    QHash<QString, Picture> pictures_;
    QSet<QString> sizedCopies_;
    mutable QHash<QString, QPixmap> rendered_;
    QSet<QString> reported_;
    ErrorHandler onError_;
};

} // namespace tambrel
