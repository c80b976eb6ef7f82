// SPDX-License-Identifier: GPL-3.0-or-later
#include "playlist/Sequence.h"

#include "playlist/ItemPath.h"

namespace Sequence {

Following After(PlayerMode mode, int row, int count)
{
    if (row < 0 || row >= count)
        return {};
    if (row < count - 1)
        return {Following::Row, row + 1};
    switch (mode) {
    case PlayerMode::Repeat: return {Following::Row, 0};
    case PlayerMode::Shuffle: return {Following::Reshuffle, 0};
    case PlayerMode::Random: return {Following::Draw, row};
    case PlayerMode::Manual:
    case PlayerMode::Normal:
    case PlayerMode::IntroScan: break;
    }
    return {};
}

bool GoesRound(PlayerMode mode)
{
    return After(mode, 0, 1).then != Following::End;
}

bool IsControlRow(const QString& path)
{
    const QString ext = SplitPath(path).ext.toUpper();
    return ext == QLatin1String(".ALB") || ext == QLatin1String(".STOP") || ext == QLatin1String(".PLAY") ||
           IsCommandExtension(ext);
}

} // namespace Sequence
