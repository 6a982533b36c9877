#include "widgets/PictureButton.h"

#include "widgets/WindowHelpers.h"

QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& caption,
                               QStyle::StandardPixmap picture, int left, int top, int width,
                               int height)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setIcon(b->style()->standardIcon(picture));
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFocusPolicy(Qt::StrongFocus);
    PressOnEnter(b);
    SetGeometryTwips(b, left, top, width, height);
    return b;
}
