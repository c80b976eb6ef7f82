// SPDX-License-Identifier: GPL-3.0-or-later
// Settings-file text: whatever the reader keeps, the writer stores so that
// it reads back whole, without a problem, as the same tree.
#include "FuzzText.h"
#include "platform/registry/HiveFile.h"

#include <cstdlib>

namespace {

bool Same(const reg::HiveKey& a, const reg::HiveKey& b)
{
    if (a.name != b.name || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        const reg::HiveValue& v = a.values[i];
        const reg::HiveValue& w = b.values[i];
        if (v.name != w.name || v.type != w.type || v.data != w.data)
            return false;
    }
    for (std::size_t i = 0; i < a.subkeys.size(); ++i)
        if (!Same(a.subkeys[i], b.subkeys[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    reg::HiveKey tree{root, {}, {}};
    std::vector<reg::HiveProblem> problems;
    QString error;
    if (!reg::ParseHive(FuzzBytes(data, size), root, &tree, &problems, &error))
        return 0;
    reg::HiveKey again{root, {}, {}};
    problems.clear();
    if (!reg::ParseHive(reg::WriteHive(tree), root, &again, &problems, &error) || !problems.empty() ||
        !Same(tree, again))
        std::abort();
    return 0;
}
