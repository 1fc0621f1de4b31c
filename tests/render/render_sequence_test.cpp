// tesmora-render on a time series: each frame is the picture its data set gives alone, the
// shards of a job array split the frames between them, and a video holds every frame.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <set>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "formats/gri_writer.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string err;
    std::string out;
};

Outcome Render(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TESMORA_RENDER), arguments);
    Outcome r;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the run did not finish within 120 s";
        return r;
    }
    r.err = process.readAllStandardError().toStdString();
    r.out = process.readAllStandardOutput().toStdString();
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return r;
}

class Series : public ::testing::Test {
protected:
    // series.gri with three numbered solution files of the forced double gyre, and each frame
    // also as a pair of its own.
    void SetUp() override {
        const AnalyticFlow& flow = *FindFlow("forced-double-gyre");
        for (int k = 0; k < 3; ++k) {
            const DataSetArrays data = MakeFlow(flow.name, 41, 23, 1, 0.0f, {}, flow.period * k / 3);
            std::string error;
            ASSERT_TRUE(formats::WriteGriPair(dir.File("alone" + std::to_string(k) + ".gri"), data, &error));
            ASSERT_TRUE(k == 0 ? formats::WriteGriPair(dir.File("series.gri"), data, &error)
                               : formats::WriteGriSolution(
                                     dir.File("series.0000" + std::to_string(k) + ".dat"), data, &error))
                << error;
        }
    }
    QString File(const std::string& name) const { return QString::fromStdString(dir.File(name)); }
    std::set<QString> Pictures(const std::string& folder) const {
        const QStringList names = QDir(File(folder)).entryList(QDir::Files);
        return {names.begin(), names.end()};
    }
    const QStringList options{"--seed", "3", "--step-px", "1", "--size", "auto", "--aspect", "equal"};
    testsupport::TempDir dir;
};

TEST_F(Series, EachFrameIsThePictureOfItsDataSetAloneAndShardsSplitTheFrames) {
    const Outcome all = Render(
        QStringList{File("series.gri"), "--frames", "all", "--range", "frame", "-o", File("all")} + options);
    ASSERT_EQ(all.exitCode, 0) << all.err;
    ASSERT_EQ(Pictures("all"), (std::set<QString>{"frame_00000.png", "frame_00001.png", "frame_00002.png"}));
    for (int k = 0; k < 3; ++k) {
        const QString alone = File("alone" + std::to_string(k) + ".png");
        ASSERT_EQ(
            Render(QStringList{File("alone" + std::to_string(k) + ".gri"), "-o", alone} + options).exitCode,
            0);
        const QImage framePicture(File("all/frame_0000" + std::to_string(k) + ".png"));
        EXPECT_EQ(framePicture.convertToFormat(QImage::Format_RGB888),
                  QImage(alone).convertToFormat(QImage::Format_RGB888))
            << "frame " << k;
    }
    std::set<QString> shards;
    for (const char* shard : {"0/2", "1/2"}) {
        const std::string folder = std::string("shard") + shard[0];
        ASSERT_EQ(
            Render(QStringList{File("series.gri"), "--frames", "0:", "--shard", shard, "-o", File(folder)} +
                   options)
                .exitCode,
            0);
        for (const QString& name : Pictures(folder))
            EXPECT_TRUE(shards.insert(name).second) << "twice: " << name.toStdString();
    }
    EXPECT_EQ(shards, Pictures("all"));
    const Outcome beyond = Render({File("series.gri"), "--frames", "2:5", "-o", File("beyond")});
    EXPECT_EQ(beyond.exitCode, 2);
    EXPECT_NE(beyond.err.find("the 3 of the series"), std::string::npos) << beyond.err;
}

// A coherent frame follows from the frames before it: a shard draws the pictures of the whole
// run; and on a series of one field repeated, every line is carried and no pixel changes.
TEST_F(Series, CoherentShardsDrawTheWholeRunsPicturesAndAFieldThatStaysStaysPut) {
    const QStringList coherent = options + QStringList{"--coherent", "--range", "frame"};
    ASSERT_EQ(
        Render(QStringList{File("series.gri"), "--frames", "all", "-o", File("all")} + coherent).exitCode, 0);
    for (const char* shard : {"0/2", "1/2"})
        ASSERT_EQ(Render(QStringList{File("series.gri"), "--frames", "all", "--shard", shard, "-o",
                                     File("shards")} +
                         coherent)
                      .exitCode,
                  0);
    ASSERT_EQ(Pictures("shards"), Pictures("all"));
    for (const QString& name : Pictures("all"))
        EXPECT_EQ(QImage(File("shards/") + name), QImage(File("all/") + name)) << name.toStdString();

    for (int k = 1; k < 3; ++k)
        std::filesystem::copy_file(dir.File("alone0.00000.dat"),
                                   dir.File("still.0000" + std::to_string(k) + ".dat"));
    std::filesystem::copy_file(dir.File("alone0.00000.dat"), dir.File("still.00000.dat"));
    std::filesystem::copy_file(dir.File("alone0.gri"), dir.File("still.gri"));
    const Outcome still =
        Render(QStringList{File("still.gri"), "--frames", "all", "--stats", "-o", File("still")} + coherent);
    ASSERT_EQ(still.exitCode, 0) << still.err;
    const QStringList lines = QString::fromStdString(still.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    for (int k = 0; k < 3; ++k) {
        const QJsonObject stats = QJsonDocument::fromJson(lines[k].toUtf8()).object();
        EXPECT_EQ(stats["frame"].toInt(), k);
        EXPECT_GT(stats["streamlines"].toInt(), 5);
        if (k == 0) {
            EXPECT_TRUE(stats["carried"].isNull() && stats["changed_percent"].isNull());
        } else {
            EXPECT_EQ(stats["carried"].toInt(), stats["streamlines"].toInt()) << k;
            EXPECT_EQ(stats["changed_percent"].toDouble(), 0.0) << k;
        }
    }
}

// Decoded again, each video has a frame per picture, at the picture's size.
TEST_F(Series, AVideoHoldsEveryFrame) {
    ASSERT_EQ(Render(QStringList{File("alone0.gri"), "-o", File("alone0.png")} + options).exitCode, 0);
    const QImage picture(File("alone0.png"));
    for (const std::string name : {"film.mp4", "film.webm"}) {
        const Outcome run = Render(QStringList{File("series.gri"), "--fps", "5", "-o", File(name)} + options);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        AVFormatContext* format = nullptr;
        ASSERT_EQ(avformat_open_input(&format, dir.File(name).c_str(), nullptr, nullptr), 0) << name;
        ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
        ASSERT_EQ(format->nb_streams, 1u);
        const AVCodecParameters* parameters = format->streams[0]->codecpar;
        // An odd side gains a row or column.
        EXPECT_EQ(parameters->width, picture.width() + picture.width() % 2) << name;
        EXPECT_EQ(parameters->height, picture.height() + picture.height() % 2) << name;
        AVCodecContext* codec = avcodec_alloc_context3(avcodec_find_decoder(parameters->codec_id));
        avcodec_parameters_to_context(codec, parameters);
        ASSERT_EQ(avcodec_open2(codec, codec->codec, nullptr), 0);
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        int frames = 0;
        auto drain = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) ++frames;
        };
        while (av_read_frame(format, packet) >= 0) {
            avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            drain();
        }
        avcodec_send_packet(codec, nullptr);
        drain();
        EXPECT_EQ(frames, 3) << name;
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
}

}  // namespace
