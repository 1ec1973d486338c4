#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product name, version and maker beside the product picture; it lives only
// while it is shown.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize pictureSize{471, 354};

    explicit AboutDialog(QWidget *parent = nullptr);

private:
    // The text of "lblAbout", lines separated by CR LF.
    static QString aboutText();
    void load();

    QLabel *m_aboutLabel;
    QLabel *m_picture;
    QPushButton *m_okButton;
};
