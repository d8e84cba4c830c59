// Small helpers the settings dialog's pages build their widgets with: a widget named for the tests that
// find it, and a caption bound to the control it names.
#pragma once

#include <QLabel>
#include <QString>

namespace torvane {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QLabel* label(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

}  // namespace torvane
