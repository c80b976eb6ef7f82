// SPDX-License-Identifier: GPL-3.0-or-later
// The level alarm over a long quiet programme: speech (espeak-ng) at
// -30 dBFS and soft chords with rests, played by the real headless station
// with no sound server (--output none), the alarm at its defaults (-50 dBFS
// for 30 s). It must never fire on that; then 40 s of true silence must be
// alarmed within the set time and one second.
//
//   level_alarm_bench [SECONDS]     the quiet programme's length (3600)
#include "../tests/air/HeadlessLirana.h"
#include "support/TestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const char* const kTexts[] = {
    "Good morning, this is the station. The time is seven o'clock and here is the news in brief.",
    "The council met last night and agreed to keep the library open on Sundays through the winter.",
    "Roads are quiet this morning; there is fog on the hill road, so please drive with care.",
    "Now the weather: a grey start, brightening later, with a light wind from the west.",
    "That was the news. Stay with us for music and your messages until nine.",
};

// espeak-ng's speech scaled to a peak of levelDb, as 16-bit WAV.
QString Speech(const QString& dir, int i, double levelDb)
{
    const QString raw = dir + QStringLiteral("/speech%1-raw.wav").arg(i);
    const QString out = dir + QStringLiteral("/speech%1.wav").arg(i);
    if (QProcess::execute(QStringLiteral("espeak-ng"),
                          {QStringLiteral("-w"), raw, QString::fromUtf8(kTexts[i])}) != 0)
        return {};
    SF_INFO info{};
    SNDFILE* in = sf_open(QFile::encodeName(raw).constData(), SFM_READ, &info);
    if (!in)
        return {};
    std::vector<float> samples(std::size_t(info.frames) * std::size_t(info.channels));
    sf_readf_float(in, samples.data(), info.frames);
    sf_close(in);
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::abs(s));
    const float scale = peak > 0 ? float(std::pow(10.0, levelDb / 20.0)) / peak : 0.0f;
    for (float& s : samples)
        s *= scale;
    SF_INFO outInfo{0, info.samplerate, info.channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* file = sf_open(QFile::encodeName(out).constData(), SFM_WRITE, &outInfo);
    if (!file)
        return {};
    sf_writef_float(file, samples.data(), info.frames);
    sf_close(file);
    return out;
}

// Three soft tones at a time (about -30 dBFS together), four chords of
// 4 s with rests of 1 to 3 s between them.
QString Chords(const QString& dir, int i)
{
    using TestMedia::Silence;
    using TestMedia::Tone;
    const double roots[] = {220.0, 196.0, 174.6, 246.9};
    std::vector<std::vector<TestMedia::Part>> layers(3);
    for (int c = 0; c < 4; ++c) {
        const double root = roots[(c + i) % 4];
        const double rest = 1.0 + (c + i) % 3;
        const double ratios[] = {1.0, 1.26, 1.5};
        for (int k = 0; k < 3; ++k) {
            layers[std::size_t(k)].push_back(Tone(root * ratios[k], 4.0, -40.0));
            layers[std::size_t(k)].push_back(Silence(rest));
        }
    }
    return TestMedia::WriteMixWav(dir + QStringLiteral("/chords%1.wav").arg(i), layers);
}

double Seconds(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3600.0;
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/home");
    QDir().mkpath(home);

    // The quiet programme, then the silence.
    QStringList rows;
    std::vector<QString> items;
    for (int i = 0; i < 5; ++i) {
        const QString speech = Speech(dir.path(), i, -30.0);
        if (speech.isEmpty()) {
            std::printf("espeak-ng is missing or failed: nothing measured\n");
            return 1;
        }
        items.push_back(speech);
        items.push_back(Chords(dir.path(), i));
    }
    double planned = 0;
    for (int i = 0; planned < seconds; ++i) {
        const QString& item = items[std::size_t(i) % items.size()];
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(item).constData(), SFM_READ, &info);
        planned += f ? double(info.frames) / info.samplerate : 1.0;
        if (f)
            sf_close(f);
        rows << item;
    }
    const QString silence = TestMedia::WriteWav(dir.path() + QStringLiteral("/silence.wav"),
                                                {TestMedia::Silence(40.0)});
    rows << silence;
    QFile album(dir.path() + QStringLiteral("/programme.m3u"));
    if (!album.open(QIODevice::WriteOnly))
        return 1;
    album.write(rows.join(u'\n').toUtf8() + '\n');
    album.close();

    using namespace HeadlessLirana;
    WriteHive(home, {{"Overlap Time", Dword(0)}}, {{"WatchDog", {{"Level Enable", Flag(true)}}}});
    QProcess lirana;
    lirana.setProcessEnvironment(Environment(home));
    lirana.setWorkingDirectory(dir.path());
    lirana.setProcessChannelMode(QProcess::SeparateChannels);
    lirana.start(QStringLiteral(LIRANA_BINARY),
                 PlayArgs({QStringLiteral("--output"), QStringLiteral("none"), album.fileName()}));
    std::printf("level alarm: %.0f s of quiet programme (%lld items), then 40 s of silence\n", planned,
                static_cast<long long>(rows.size() - 1));
    QElapsedTimer clock;
    clock.start();
    int falseAlarms = 0;
    double silenceStart = -1, alarmAfter = -1;
    QByteArray pending;
    while (lirana.state() != QProcess::NotRunning || lirana.bytesAvailable() > 0) {
        lirana.waitForReadyRead(500);
        pending += lirana.readAllStandardOutput();
        for (qsizetype nl; (nl = pending.indexOf('\n')) >= 0;) {
            const QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            if (line.contains("\tstart\tsilence")) {
                silenceStart = Seconds(clock);
            } else if (line.contains("\tsilence\tThe air was below")) {
                if (silenceStart < 0) {
                    ++falseAlarms;
                    std::printf("  FALSE ALARM at %.1f s: %s\n", Seconds(clock), line.constData());
                } else if (alarmAfter < 0) {
                    alarmAfter = Seconds(clock) - silenceStart;
                }
            }
        }
        if (Seconds(clock) > planned + 120 ||
            (alarmAfter >= 0 && Seconds(clock) > silenceStart + alarmAfter + 2))
            break;
    }
    lirana.terminate();
    lirana.waitForFinished(10000);
    std::printf("  ran %.0f s of real time\n", Seconds(clock));
    std::printf("  false alarms on the quiet programme: %d (goal: 0): %s\n", falseAlarms,
                falseAlarms == 0 ? "met" : "NOT met");
    if (alarmAfter < 0)
        std::printf("  the silence was NOT alarmed\n");
    else
        std::printf("  the silence alarmed after %.2f s (goal: within 30 + 1 s): %s\n", alarmAfter,
                    alarmAfter <= 31.0 ? "met" : "NOT met");
    return falseAlarms == 0 && alarmAfter >= 0 && alarmAfter <= 31.0 ? 0 : 1;
}
