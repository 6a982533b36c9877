#include "app/Splash.h"

#include "widgets/WindowHelpers.h"

#include <QLabel>

namespace {
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height, qreal points, QColor colour)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(true);
    l->setFont(f);
    l->setAlignment(Qt::AlignCenter);
    l->setAttribute(Qt::WA_TranslucentBackground);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    SetGeometryTwips(l, left, top, width, height);
    // Labels size themselves to their text, around their centre.
    const QPoint centre = l->geometry().center();
    l->resize(l->sizeHint().expandedTo(QSize(1, l->height())));
    l->move(centre.x() - l->width() / 2, l->y());
    return l;
}
} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::Tool)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(twips(5430), twips(2460));
    Label1[0] = makeLabel(this, "Label1", QStringLiteral("Vantor"), 810, 60, 3810, 645, 27,
                          QColor(255, 0, 0));
    Label1[0]->setWordWrap(true);
    Label1[1] = makeLabel(this, "Label1", QStringLiteral("developed by"), 1935, 870, 1575, 285, 12,
                          QColor(0, 255, 255));
    // The maker's name reads on both sides of the icon placed over the blanks.
    Label1[2] = makeLabel(this, "Label1", QStringLiteral("Kor     vel"), 120, 1200, 5205, 555, 24,
                          QColor(0, 255, 255));
    for (int i = 0; i < 3; ++i)
        Label1[i]->setProperty("Index", i);
    imgAbout = new QLabel(this);
    imgAbout->setObjectName(QStringLiteral("imgAbout"));
    imgAbout->setPixmap(QPixmap(QStringLiteral(":/vantor.png")));
    imgAbout->setToolTip(QStringLiteral("Click here for version information"));
    SetGeometryTwips(imgAbout, 2595, 1230, 480, 480);
    lblProgress = makeLabel(this, "lblProgress", QStringLiteral("Setting Preferences..."), 1290,
                            2010, 2850, 315, 13.5, QColor(255, 255, 0));
}

void frmSplash::Form_Load()
{
    CenterForm(this);
    show();
    PaintNow(this);
}
