// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions at the widget boundary: the core keeps 8-bit text in the
// system code page, the widgets hold QString.
#pragma once

#include <QString>
#include <string>

inline QString QStr(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

inline std::string StdStr(const QString& s) { return s.toLocal8Bit().toStdString(); }
