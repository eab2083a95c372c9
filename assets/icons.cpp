#include "assets/icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QString>

namespace Assets {

namespace {

QString pictureFile(const char *name, const char *scale)
{
    return QStringLiteral(":/icons/") + QString::fromLatin1(name) + QString::fromLatin1(scale)
        + QStringLiteral(".png");
}

// The size a PNG file declares in its header, without decoding its picture; empty when the
// file is missing or no PNG.
QSize declaredSize(const QString &file)
{
    QFile png(file);
    if (!png.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = png.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n"))
        return {};
    const auto number = [&head](int at) {
        int value = 0;
        for (int byte = at; byte < at + 4; ++byte)
            value = value * 256 + static_cast<unsigned char>(head[byte]);
        return value;
    };
    return { number(16), number(20) };
}

int area(const QSize &size) { return size.width() * size.height(); }

// The artwork's strokes are drawn near black for a light window; on a dark window they would
// vanish, so there each dark colour is drawn as light as it was dark, keeping its hue. Colours
// of middle lightness (the reds, greens and blues that mean something) stay as they are.
QPixmap forWindowPalette(const QPixmap &picture)
{
    if (picture.isNull() || !qGuiApp
        || QGuiApplication::palette().color(QPalette::Window).lightness() >= 128)
        return picture;
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QColor colour = QColor::fromRgba(line[x]);
            if (colour.alpha() == 0 || colour.lightness() >= 96)
                continue;
            colour.setHsl(
                colour.hslHue(), colour.hslSaturation(), 255 - colour.lightness(), colour.alpha());
            line[x] = colour.rgba();
        }
    }
    QPixmap adapted = QPixmap::fromImage(image);
    adapted.setDevicePixelRatio(picture.devicePixelRatio());
    return adapted;
}

// An icon drawn from a picture at its size and one at twice its size. Each picture is decoded
// the first time the icon is drawn at a size that needs it, so that starting the program
// decodes only what its first window shows; drawing, sizes and the greyed look of a disabled
// icon come from Qt's own icon of the decoded pictures.
class ArtworkIconEngine : public QIconEngine
{
public:
    ArtworkIconEngine(const QString &single, const QString &doubled, QSize size)
        : m_single(single)
        , m_doubled(doubled)
        , m_size(size)
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        QSize actual = picks2x(size) ? m_size * 2 : m_size;
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        if (!m_singleLoaded) {
            m_singleLoaded = true;
            m_decoded.addPixmap(forWindowPalette(QPixmap(m_single, "PNG")));
        }
        if (picks2x(size) && !m_doubledLoaded) {
            m_doubledLoaded = true;
            // Read from an "@2x" name it comes marked as double density; Qt's icon must take
            // it as the larger picture it is.
            QPixmap doubled(m_doubled, "PNG");
            doubled.setDevicePixelRatio(1.0);
            m_decoded.addPixmap(forWindowPalette(doubled));
        }
        return m_decoded.pixmap(size, 1.0, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return { m_size, m_size * 2 };
    }

    QString key() const override { return QStringLiteral("CorvantaArtwork"); }
    QIconEngine *clone() const override { return new ArtworkIconEngine(*this); }
    bool isNull() override { return false; }

private:
    // The double-size picture serves any size larger than the picture's own.
    bool picks2x(const QSize &size) const { return area(size) > area(m_size); }

    QString m_single;
    QString m_doubled;
    QSize m_size;
    QIcon m_decoded;
    bool m_singleLoaded = false;
    bool m_doubledLoaded = false;
};

} // namespace

QIcon icon(const char *name)
{
    const QString single = pictureFile(name, "");
    const QSize size = declaredSize(single);
    if (size.isEmpty())
        return {};
    return QIcon(new ArtworkIconEngine(single, pictureFile(name, "@2x"), size));
}

QPixmap pixmap(const char *name)
{
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1.0) {
        QPixmap sharp(pictureFile(name, "@2x"), "PNG");
        if (!sharp.isNull()) {
            sharp.setDevicePixelRatio(2.0);
            return forWindowPalette(sharp);
        }
    }
    return forWindowPalette(QPixmap(pictureFile(name, ""), "PNG"));
}

} // namespace Assets
