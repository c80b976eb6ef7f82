// Fixture for tests on the air: each test gets its own AirServer and an
// AirRecorder (not started) in a fresh folder. The test is skipped when
// the sound server cannot run here, unless LIRANA_AIR_REQUIRED=1 (CI),
// which turns the skip into a failure.
#pragma once

#include "support/AirRecorder.h"
#include "support/AirServer.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

class AirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = TestEnv::MakeTempDir(QStringLiteral("air-media"));
        const QString missing = AirServer::Missing();
        if (!missing.isEmpty()) {
            const char* req = std::getenv("LIRANA_AIR_REQUIRED");
            if (req && QByteArray(req) == "1")
                FAIL() << "air tests required but " << missing.toStdString();
            GTEST_SKIP() << missing.toStdString();
        }
        QString error;
        ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    }

    // Starts recording into dir/name.
    void StartRecording(const QString& name = QStringLiteral("air.wav"))
    {
        QString error;
        ASSERT_TRUE(recorder.Start(dir + u'/' + name, &error)) << error.toStdString();
    }

    // Declared in this order so the recorder stops before the server.
    AirServer server;
    AirRecorder recorder;
    QString dir;
};
