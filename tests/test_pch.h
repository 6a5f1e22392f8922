#pragma once
#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <memory>
#include <vector>
