#pragma once

#include "support/Prompter.h"

class QWidget;

// The production prompter: Qt's message boxes, input dialog and file dialogs.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override;

    // "QERO4D log files (*.log)|*.log" becomes "QERO4D log files (*.log)".
    static QString qtFilter(const QString& filter);

private:
    QWidget* m_parent = nullptr;
};
