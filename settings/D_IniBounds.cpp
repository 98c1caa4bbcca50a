// SPDX-License-Identifier: GPL-3.0-or-later
// Position and size of a window or control, and the pane sizes of splitters.
#include "settings/D_Ini.h"

#include <QSplitter>
#include <QWidget>

namespace {

std::string BoundsSection(const std::string& section, const std::string& name)
{
    return section.empty() ? name : section;
}

// A vertical splitter stacks its panes, so their heights are what it sets.
std::string PaneSizeSuffix(const QSplitter* splitter)
{
    return splitter->orientation() == Qt::Vertical ? ".Height" : ".Width";
}

}  // namespace

void SaveBounds(IniFile* file, const std::string& section, QWidget* control)
{
    try {
        if (!file || !control)
            return;
        const std::string name = ComponentName(control);
        const std::string s = BoundsSection(section, name);
        // A window's four values all describe its outer rectangle, frame
        // included, as its position does.
        const QRect bounds = control->isWindow() ? control->frameGeometry() : control->geometry();
        WriteIntegerIfChanged(file, s, name + ".Top", bounds.y());
        WriteIntegerIfChanged(file, s, name + ".Left", bounds.x());
        WriteIntegerIfChanged(file, s, name + ".Width", bounds.width());
        WriteIntegerIfChanged(file, s, name + ".Height", bounds.height());
    } catch (...) {
        // Bounds are a convenience; losing them must never stop a save.
    }
}

void RestoreBounds(const IniFile* file, const std::string& section, QWidget* control)
{
    try {
        if (!file || !control)
            return;
        if (IsForm(control) && GetFormPlacement(control) != FormPlacement::Designed)
            return;
        const std::string name = ComponentName(control);
        const std::string s = BoundsSection(section, name);
        // 0 counts as not stored; each value is applied as soon as it is read.
        // A window's stored size is its outer size: the frame is taken off.
        const QSize frame = control->isWindow() ? control->frameGeometry().size() - control->size() : QSize();
        if (const int width = ReadIniInteger(file, s, name + ".Width", 0))
            control->resize(width - frame.width(), control->height());
        if (const int height = ReadIniInteger(file, s, name + ".Height", 0))
            control->resize(control->width(), height - frame.height());
        if (const int left = ReadIniInteger(file, s, name + ".Left", 0))
            control->move(left, control->y());
        if (const int top = ReadIniInteger(file, s, name + ".Top", 0))
            control->move(control->x(), top);
    } catch (...) {
    }
}

void SaveSplitterSizes(IniFile* file, const std::string& section, QSplitter* splitter)
{
    const std::string suffix = PaneSizeSuffix(splitter);
    const QList<int> sizes = splitter->sizes();
    for (int i = 0; i < splitter->count(); ++i) {
        const std::string name = ComponentName(splitter->widget(i));
        if (!name.empty())
            WriteIntegerIfChanged(file, section, name + suffix, sizes.value(i));
    }
}

void RestoreSplitterSizes(const IniFile* file, const std::string& section, QSplitter* splitter)
{
    const std::string suffix = PaneSizeSuffix(splitter);
    const QList<int> current = splitter->sizes();
    QList<int> sizes = current;
    for (int i = 0; i < splitter->count() && i < sizes.size(); ++i) {
        const std::string name = ComponentName(splitter->widget(i));
        if (!name.empty())
            sizes[i] = ReadIniInteger(file, section, name + suffix, sizes[i]);
    }
    if (sizes != current)
        splitter->setSizes(sizes);
}
