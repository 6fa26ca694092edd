#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QWidget>
#include <stdexcept>
#include <string>

// A window's control by its object name, the name of the old layout it keeps;
// a test that asks for a control the window does not have fails there.
template <class T = QWidget>
T* Control(const QObject* window, const char* name) {
    T* control = window->findChild<T*>(QLatin1String(name));
    if (!control) {
        ADD_FAILURE() << "no control " << name << " in " << window->objectName().toStdString();
        throw std::runtime_error(std::string("no control ") + name);
    }
    return control;
}
