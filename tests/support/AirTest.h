// SPDX-License-Identifier: GPL-3.0-or-later
// Fixture for tests on the air: each test gets its own AirServer (of the
// kind ServerKind() names, PulseAudio unless a fixture overrides it) and an
// AirRecorder (not started) in a fresh folder. The test is skipped when
// that sound server cannot run here, unless LIRANA_AIR_REQUIRED=1 (CI),
// which turns the skip into a failure.
//
// Cases that matter for the differences between servers run on both with
// AirOnBothServers: TEST_P on a fixture derived from it, instantiated with
// LIRANA_ON_BOTH_SERVERS(Fixture).
#pragma once

#include "support/AirRecorder.h"
#include "support/AirServer.h"
#include "support/TestEnv.h"
#include "support/WavAnalysis.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

// GCC names the sanitizers with macros, clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LIRANA_AIR_INSTRUMENTED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define LIRANA_AIR_INSTRUMENTED 1
#endif
#endif
#ifndef LIRANA_AIR_INSTRUMENTED
#define LIRANA_AIR_INSTRUMENTED 0
#endif

class AirTest : public ::testing::Test
{
protected:
    virtual AirServer::Kind ServerKind() const { return AirServer::Kind::PulseAudio; }

    void SetUp() override
    {
        const QString missing = AirServer::Missing(ServerKind());
        if (!missing.isEmpty()) {
            if (qgetenv("LIRANA_AIR_REQUIRED") == "1")
                FAIL() << "air tests required but " << missing.toStdString();
            GTEST_SKIP() << missing.toStdString();
        }
        QString error;
        ASSERT_TRUE(server.Start(&error, ServerKind())) << error.toStdString();
    }

    // Starts recording `device` (the air sink's monitor) into dir/name.
    void StartRecording(const QString& name = QStringLiteral("air.wav"),
                        const QString& device = QStringLiteral("air.monitor"))
    {
        QString error;
        ASSERT_TRUE(recorder.Start(dir + u'/' + name, &error, device)) << error.toStdString();
    }

    // Stops the recorder and reads the recording back (empty after a
    // failure, which is reported); prints its path for a failing test.
    WavAnalysis::Wav StopAndRead()
    {
        QString error;
        EXPECT_TRUE(recorder.Stop(&error)) << error.toStdString();
        auto wav = WavAnalysis::ReadWav(recorder.Path(), &error);
        EXPECT_TRUE(wav) << error.toStdString();
        std::cout << "[ air      ] " << recorder.Path().toStdString() << '\n';
        return wav ? *wav : WavAnalysis::Wav{};
    }

    // The sink inputs that play (a prerolled one may wait corked), as
    // `pactl -f json list sink-inputs` lists them: index, properties, volume.
    std::vector<QJsonObject> PlayingInputs() const
    {
        std::vector<QJsonObject> playing;
        const auto out = server.Pactl({"-f", "json", "list", "sink-inputs"});
        for (const QJsonValue input : QJsonDocument::fromJson(out.value_or(QString()).toUtf8()).array())
            if (!input["corked"].toBool())
                playing.push_back(input.toObject());
        return playing;
    }

    // A measured value, printed and kept as a property of the test.
    static void Report(const std::string& what, double value, const char* unit = "ms")
    {
        std::cout << "[ measured ] " << what << ": " << value << ' ' << unit << '\n';
        ::testing::Test::RecordProperty(what, std::to_string(value));
    }

    // The sanitizer stage's build runs two to three times slower than the
    // one stations run, and its starts come later: an item started on time
    // was heard up to 60 ms late there (measured with both cores busy; 45 ms
    // with nothing beside it), while the release build kept within 30 ms.
    // Starts and lengths on the air get this much more room in such a build;
    // the plain stage holds them to what the release build does.
    static constexpr double kInstrumentedSlack = LIRANA_AIR_INSTRUMENTED ? 0.1 : 0.0;

    // Declared in this order so the recorder stops before the server.
    AirServer server;
    AirRecorder recorder;
    QString dir = TestEnv::MakeTempDir(QStringLiteral("air-media"));
};

// Mixes the server kind in as the test parameter: Base is AirTest or a
// fixture derived from it.
template <class Base>
class AirOnBothServers : public Base, public ::testing::WithParamInterface<AirServer::Kind>
{
protected:
    AirServer::Kind ServerKind() const override { return this->GetParam(); }
};

#define LIRANA_ON_BOTH_SERVERS(Fixture)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Servers, Fixture,                                                               \
                             ::testing::Values(AirServer::Kind::PulseAudio, AirServer::Kind::PipeWire),      \
                             [](const ::testing::TestParamInfo<AirServer::Kind>& kind) {                     \
                                 return std::string(AirServer::KindName(kind.param));                        \
                             })
