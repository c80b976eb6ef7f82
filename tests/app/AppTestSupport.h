// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of the settings, the tools and the display languages share:
// the settings store, the test world and its recording fakes.
#pragma once

#include "platform/DataPaths.h"
#include "platform/registry/RegistryKey.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QtCore>
#include <gtest/gtest.h>
