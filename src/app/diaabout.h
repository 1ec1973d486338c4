#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product name, version and maker beside the product picture; it lives only
// while it is shown.
class diaAbout : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize PictureSize{471, 354};

    explicit diaAbout(QWidget *parent = nullptr);

    // The text of lblAbout, lines separated by CR LF.
    static QString aboutText();

private:
    void load();

    QLabel *lblAbout;
    QLabel *imgZorla;
    QPushButton *OKButton;
};
