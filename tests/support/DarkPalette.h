#pragma once

#include <QApplication>
#include <QPalette>

// A dark desktop palette (light text on dark windows) for as long as it lives.
class DarkPalette
{
public:
    DarkPalette() : m_saved(QApplication::palette())
    {
        QPalette dark(QColor(0x20, 0x21, 0x24));
        for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            dark.setColor(role, QColor(0xE8, 0xEA, 0xED));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        QApplication::setPalette(dark);
    }
    ~DarkPalette() { QApplication::setPalette(m_saved); }
    DarkPalette(const DarkPalette&) = delete;
    DarkPalette& operator=(const DarkPalette&) = delete;

private:
    QPalette m_saved;
};
