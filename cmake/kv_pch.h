// Precompiled header shared by the library targets: the heavy, stable headers only.
#pragma once
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>
