#pragma once

#include <QObject>

// Each test class of this folder; main.cpp runs them all.
QObject* newPunchTest();
QObject* newPrincipalTest();
QObject* newKeyHookTest();
