// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of widgets built in code that follow the display language. Each
// widget is kept with its English source (marked with QT_TR_NOOP in the
// owner's class, so the catalogue has it under the owner's context) and is
// given the translation again when the language changes.
// Thread: the GUI thread.
#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <functional>
#include <vector>

class CLiveTexts
{
public:
    // context: the class whose QT_TR_NOOP marked the sources.
    explicit CLiveTexts(const char* context) : m_context(context) {}

    // Sets widget's text (setTitle for menus and group boxes, else setText,
    // else the window title: tool bars) now and after
    // every change of language; returns widget.
    template <class W>
    W* Keep(W* widget, const char* source)
    {
        QPointer<W> guarded(widget);
        auto apply = [this, guarded, source] {
            if (!guarded)
                return;
            const QString text = QCoreApplication::translate(m_context, source);
            if constexpr (requires { guarded->setTitle(text); })
                guarded->setTitle(text);
            else if constexpr (requires { guarded->setText(text); })
                guarded->setText(text);
            else
                guarded->setWindowTitle(text);
        };
        apply();
        m_setters.push_back(std::move(apply));
        return widget;
    }

    // Gives every kept widget its text in the current language.
    void Retranslate() const
    {
        for (const auto& apply : m_setters)
            apply();
    }

private:
    const char* m_context;
    std::vector<std::function<void()>> m_setters;
};
