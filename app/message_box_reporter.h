#pragma once

#include <QPointer>
#include <QWidget>

#include "base/reporter.h"

// The viewer's way of telling the user about a failure: a modal message box with a critical
// icon and an OK button, over the main window once there is one.
class MessageBoxReporter final : public Reporter {
public:
    void SetParent(QWidget* parent) { m_pParent = parent; }
    void Report(const std::string& text, const std::string& caption) override;

private:
    QPointer<QWidget> m_pParent;
};
