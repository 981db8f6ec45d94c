#pragma once

#include <QObject>

// Each test class of this folder; main.cpp runs them all.
QObject* newWorkerRulesTest();
QObject* newIntegerBindingTest();
QObject* newEmpleadosTest();
QObject* newFotoPanelTest();
