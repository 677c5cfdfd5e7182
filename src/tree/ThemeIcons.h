#pragma once

#include <QIcon>

// The small marks before the names of a link group's members.
namespace ThemeIcons {

QIcon mark();
QIcon link();

} // namespace ThemeIcons
