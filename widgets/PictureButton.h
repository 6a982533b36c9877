#pragma once

#include <QStyle>
#include <QToolButton>

// A command button with a small picture above its caption, placed in twips.
QToolButton* MakePictureButton(QWidget* parent, const char* name, const QString& caption,
                               QStyle::StandardPixmap picture, int left, int top, int width = 1000,
                               int height = 600);
