#pragma once

#include <QWidget>

class QLabel;

// The window shown while the program starts.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    void Form_Load();

    QLabel* Label1[3];
    QLabel* imgAbout;
    QLabel* lblProgress;
};
