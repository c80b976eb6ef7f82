// SPDX-License-Identifier: GPL-3.0-or-later
// What the unit tests of the core share, in one include: GoogleTest, the
// test's temporary world, the shared fakes and temporary hive, what a
// failing call says, the settings keys, the Qt file classes and the POSIX
// calls that make odd files (FIFOs, links, modes).
#pragma once

#include "platform/registry/RegistryKey.h"
#include "support/F36bFailures.h"
#include "support/Fakes.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
