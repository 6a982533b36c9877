#include "widgets/PictureButton.h"

#include "widgets/WindowHelpers.h"

#include <QImage>
#include <QPixmap>

namespace {
constexpr QSize kPictureSize(16, 16);

// The style greys a disabled picture by darkening it towards the window's colour, which leaves
// a picture drawn in black lines almost as dark as when it is enabled. Every picture is greyed
// alike instead: its tones put between the disabled caption's colour and the button's face, so
// that no part of it is darker than the caption beneath it.
QPixmap greyed(const QPixmap& picture, const QPalette& palette)
{
    const int ink = qGray(palette.color(QPalette::Disabled, QPalette::ButtonText).rgb());
    const int face = qGray(palette.color(QPalette::Disabled, QPalette::Button).rgb());
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int tone = ink + (face - ink) * qGray(line[x]) / 255;
            line[x] = qRgba(tone, tone, tone, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}
} // namespace

QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& caption,
                               QStyle::StandardPixmap picture, int left, int top, int width,
                               int height)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    const QPixmap shown = b->style()->standardIcon(picture).pixmap(kPictureSize);
    QIcon icon(shown);
    icon.addPixmap(greyed(shown, b->palette()), QIcon::Disabled);
    b->setIcon(icon);
    b->setIconSize(kPictureSize);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFocusPolicy(Qt::StrongFocus);
    PressOnEnter(b);
    SetGeometryTwips(b, left, top, width, height);
    return b;
}
