#pragma once

#include <QDialog>

// Help > About: the program's name, version, purpose, copyright and licence, closed with OK.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
