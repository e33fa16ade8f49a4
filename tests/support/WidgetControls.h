#pragma once

#include <QString>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace tillery::test {

// The control of a window by its object name; a missing one fails the test that asks.
template <typename T>
T& control(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return *widget;
}

}  // namespace tillery::test
