#pragma once

#include <QDialog>

// Help > About: the program's name, version and purpose, closed with OK.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
