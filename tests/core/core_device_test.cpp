// The core's device functions against the emulated handheld: the listing, the
// copies' events, codes and sentences, and a database pushed record by record.
#include <filesystem>

#include "core_text.h"
#include "device_test_support.h"

using namespace devtest;

// Every event of a call, each ended by '|', and what to answer a question.
struct Recorder {
    std::string events;
    int32_t answer = 0;
};

static int32_t VEZUVED_CORE_CALL Record(const vezuved_device_event* event, void* context) {
    Recorder& recorder = *static_cast<Recorder*>(context);
    const std::string item = event->item != nullptr ? event->item : "";
    if (event->type == VEZUVED_DEVICE_EVENT_PROGRESS)
        recorder.events += "progress " + item + " " + std::to_string(event->stage) + " " +
                           std::to_string(event->done) + "/" + std::to_string(event->total) + "|";
    else if (event->type == VEZUVED_DEVICE_EVENT_QUESTION)
        recorder.events +=
            "question " + item + " " + event->source_date + " " + event->destination_date + "|";
    else if (event->type == VEZUVED_DEVICE_EVENT_FAILED)
        recorder.events += "failed " + item + ": " + event->message + "|";
    else
        recorder.events += "message " + std::string(event->message) + "|";
    return event->type == VEZUVED_DEVICE_EVENT_QUESTION ? recorder.answer : 0;
}

class CoreDeviceTest : public SyncTest {
protected:
    CoreDeviceTest() : device_(vezuved_device_new()) {}
    ~CoreDeviceTest() override { vezuved_device_free(device_); }

    // A push through the core; nothing printed, the host's callbacks not called.
    int32_t PushCore(const std::string& path, uint32_t flags = 0, const char* folder = nullptr) {
        recorder_.events.clear();
        const vezuved_device_options options{folder, nullptr, flags, VEZUVED_DEVICE_KIND_ALL};
        int32_t result = 0;
        EXPECT_EQ("", Captured([&] {
                      result = vezuved_device_push(device_, path.c_str(), &options, Record, &recorder_);
                  }));
        EXPECT_TRUE(Log().progress.empty());
        return result;
    }

    vezuved_device* device_;
    Recorder recorder_;
};

// The core's PC paths are UTF-8: a file named with letters no single ANSI
// code page holds is found and copied (on Windows by its UTF-16 name).
TEST_F(CoreDeviceTest, APushByAUtf8NameSaysEachStepOrItsFailure) {
    WritePc("Home.rlp", kPoints);
    const std::string name = "Caf\xC3\xA9 \xD0\x9F\xD0\xB5\xD1\x88\xD0\xBA\xD0\xBE\xD0\xBC.rlp";
    std::filesystem::rename(std::filesystem::u8path(Pc("Home.rlp")), std::filesystem::u8path(Pc(name)));
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc(name))) << vezuved_device_error_message(device_);
    EXPECT_EQ(VEZUVED_DEVICE_COPIED, vezuved_device_outcome(device_));
    EXPECT_EQ(Databases().size(), 1u);

    WritePc("Home.rlp", kPoints);
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc("Home.rlp")));
    EXPECT_EQ(
        "message Copying to Device: Home|progress Home 0 0/100|progress Home 1 50/100|"
        "progress Home 1 96/100|progress Home 2 100/100|",
        recorder_.events);
    EXPECT_EQ(VEZUVED_DEVICE_COPIED, vezuved_device_outcome(device_));
    EXPECT_EQ(0, vezuved_device_code(device_));
    EXPECT_STREQ("", vezuved_device_error_message(device_));
    ASSERT_NE(nullptr, Find(Databases(), "Home"));
    EXPECT_EQ(2u, Find(Databases(), "Home")->records.size());

    // Skipped, said, and no failure.
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc("Home.rlp"), VEZUVED_DEVICE_UPDATE));
    EXPECT_EQ("message Database is up to date: Home|", recorder_.events);
    EXPECT_EQ(VEZUVED_DEVICE_UP_TO_DATE, vezuved_device_outcome(device_));

    // The question, answered skip, then cancel.
    recorder_.answer = 1;
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc("Home.rlp"), VEZUVED_DEVICE_ASK));
    EXPECT_EQ("question Home    Mar/14/2004 14:25    Mar/14/2004 14:25|", recorder_.events);
    EXPECT_EQ(VEZUVED_DEVICE_UP_TO_DATE, vezuved_device_outcome(device_));
    recorder_.answer = -1;
    EXPECT_EQ(VEZUVED_ERROR_CANCELLED, PushCore(Pc("Home.rlp"), VEZUVED_DEVICE_ASK));
    EXPECT_EQ(VEZUVED_DEV_CANCELLED, vezuved_device_code(device_));
    EXPECT_EQ("copy of '" + Pc("Home.rlp") + "' to the handheld: cancelled",
              vezuved_device_error_message(device_));
    // Replaced when answered so (one file replaced answers as copied).
    recorder_.answer = 0;
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc("Home.rlp"), VEZUVED_DEVICE_ASK));
    EXPECT_EQ(VEZUVED_DEVICE_COPIED, vezuved_device_outcome(device_));
    EXPECT_EQ(6u, Count(recorder_.events, "|"));

    // The file, the folder and faults of the copy, its result and code; the cause said.
    const std::pair<std::tuple<const char*, const char*, const char*, int32_t, int32_t>, const char*> rows[] =
        {
            {{"missing.rlp", nullptr, nullptr, VEZUVED_ERROR_OPEN, VEZUVED_DEV_ERR_NO_SOURCE},
             "the PC path does not exist"},
            {{"Home.rlp", "\\Nowhere", nullptr, VEZUVED_ERROR_DEVICE, VEZUVED_DEV_ERR_NO_VOLUME},
             "the handheld has no database volume there"},
            {{"Home.rlp", nullptr, "CeRapiInitEx", VEZUVED_ERROR_DEVICE, VEZUVED_DEV_ERR_INIT},
             "no connection to the handheld"},
            {{"notes", nullptr, nullptr, VEZUVED_ERROR_UNSUPPORTED, VEZUVED_DEV_ERR_NO_KIND},
             "the file is of no kind the handheld keeps"},
        };
    WritePc("Home.rlp", kPoints);
    WritePc("notes", "x");
    for (const auto& [copy, cause] : rows) {
        const auto& [file, folder, faults, result, code] = copy;
        SCOPED_TRACE(cause);
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", faults);
        EXPECT_EQ(result, PushCore(Pc(file), 0, folder));
        EXPECT_EQ(code, vezuved_device_code(device_));
        EXPECT_EQ("copy of '" + Pc(file) + "' to the handheld: " + cause,
                  vezuved_device_error_message(device_));
    }
    EXPECT_EQ(VEZUVED_ERROR_ARGUMENT, vezuved_device_push(nullptr, "x", nullptr, nullptr, nullptr));
    EXPECT_EQ(VEZUVED_ERROR_ARGUMENT, vezuved_device_push(device_, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("no PC path was given to copy to the handheld", vezuved_device_error_message(device_));
}

// One item of a folder fails: the others are copied, and the sentence says
// which were and which was not, with its cause.
TEST_F(CoreDeviceTest, ACopyThatFailsPartWaySaysWhatWasCopied) {
    WritePc("Home.rlp", kPoints);
    WritePc("flag.rli", "an icon");
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeWriteFile");
    EXPECT_EQ(VEZUVED_ERROR_WRITE, PushCore(PcFolder()));
    EXPECT_EQ(-1, vezuved_device_code(device_));
    EXPECT_EQ("copy of '" + PcFolder() +
                  "' to the handheld: 1 copied ('Home'), 1 failed ('\\My Documents\\Roverlog\\flag.rli': the "
                  "copy did not complete)",
              vezuved_device_error_message(device_));
    ASSERT_NE(nullptr, Find(Databases(), "Home"));
    EXPECT_FALSE(FileExists(DeviceFile("flag.rli")));
}

// Each failed item carries its own cause: one that says none is not given the
// cause left by the item before it (a folder in the way of a.rli).
TEST_F(CoreDeviceTest, AFailedItemIsNotGivenTheCauseOfTheOneBefore) {
    WriteDevice("a.rli", "icon");
    WriteDevice("b.rli", "icon");
    devtest::TempFolder back;
    std::filesystem::create_directory(back.Join("a.rli"));
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeReadFile");
    const vezuved_device_options all{nullptr, nullptr, VEZUVED_DEVICE_ALWAYS, VEZUVED_DEVICE_KIND_ICONS};
    EXPECT_NE(VEZUVED_OK, vezuved_device_pull(device_, back.Path().c_str(), &all, Record, &recorder_));
    const std::string b = back.Join("b.rli");
    EXPECT_NE(std::string::npos, recorder_.events.find("|failed " + b + ": the copy did not complete|"))
        << recorder_.events;
}

TEST_F(CoreDeviceTest, ListingAnswersRowsAndAPullCopiesBackWithEvents) {
    Push("Home.rlp", kPoints);
    EXPECT_EQ(VEZUVED_OK, vezuved_device_list(device_, PcFolder().c_str(), nullptr, Record, &recorder_));
    EXPECT_EQ("", recorder_.events);
    ASSERT_EQ(1, vezuved_device_row_count(device_));
    vezuved_device_row row{};
    ASSERT_EQ(VEZUVED_OK, vezuved_device_get_row(device_, 0, &row));
    EXPECT_STREQ("Home", row.name);
    EXPECT_STREQ("Only on Device", row.state);
    for (const int32_t index : {-1, 1})
        EXPECT_EQ(VEZUVED_ERROR_ARGUMENT, vezuved_device_get_row(device_, index, &row));
    EXPECT_EQ(VEZUVED_ERROR_ARGUMENT, vezuved_device_get_row(device_, 0, nullptr));
    EXPECT_EQ(nullptr, vezuved_device_pc_only(device_, 0));
    EXPECT_EQ(1, vezuved_device_has_volume(device_));
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeMountDBVol");
        EXPECT_EQ(VEZUVED_OK, vezuved_device_list(device_, PcFolder().c_str(), nullptr, Record, &recorder_));
        EXPECT_EQ("message Can't mount Database Volume: " + std::string(kVolumePath) + "|", recorder_.events);
        EXPECT_EQ(0, vezuved_device_row_count(device_));
        EXPECT_EQ(0, vezuved_device_has_volume(device_));
    }
    EXPECT_EQ(-1, vezuved_device_has_volume(nullptr));
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeRapiInitEx");
        EXPECT_EQ(VEZUVED_ERROR_DEVICE,
                  vezuved_device_list(device_, PcFolder().c_str(), nullptr, nullptr, nullptr));
        EXPECT_EQ(VEZUVED_DEV_ERR_INIT, vezuved_device_code(device_));
        EXPECT_EQ("device listing of '" + PcFolder() + "': no connection to the handheld",
                  vezuved_device_error_message(device_));
        EXPECT_STREQ("", vezuved_device_report(device_));
    }

    recorder_.events.clear();
    devtest::TempFolder back;
    const vezuved_device_options options{nullptr, "Home", 0, VEZUVED_DEVICE_KIND_POINTS};
    EXPECT_EQ(VEZUVED_OK, vezuved_device_pull(device_, back.Path().c_str(), &options, Record, &recorder_));
    EXPECT_EQ(
        "45.6000000,-122.7000000,200,,Cabin,Flag,Second\r\n45.5000000,-122.6000000,100,,Home,Flag,First "
        "point\r\n",
        ReadFileText(back.Join("Home.rlp")));
    EXPECT_EQ("message Getting from device: " + back.Join("Home.rlp") +
                  "|progress Home 0 0/0|progress Home 1 1/2|progress Home 1 2/2|progress Home 2 2/2|",
              recorder_.events);
    EXPECT_TRUE(Log().progress.empty());
    EXPECT_EQ(VEZUVED_DEVICE_COPIED, vezuved_device_outcome(device_));
    // A file new to the PC is copied; pulled again, it replaces the PC's copy.
    WriteDevice("flag.rli", "icon");
    const vezuved_device_options icons{nullptr, nullptr, VEZUVED_DEVICE_ALWAYS, VEZUVED_DEVICE_KIND_ICONS};
    for (int32_t outcome : {VEZUVED_DEVICE_COPIED, VEZUVED_DEVICE_REPLACED}) {
        EXPECT_EQ(VEZUVED_OK, vezuved_device_pull(device_, back.Path().c_str(), &icons, Record, &recorder_));
        EXPECT_EQ(outcome, vezuved_device_outcome(device_));
    }
}

// A database goes record by record: the handheld holds what the host's
// export, which goes through a text file, puts there.
TEST_F(CoreDeviceTest, ADatabaseGoesWithoutATextFileBeside) {
    {
        Collection walk;
        const int32_t set = vezuved_add_set(walk.handle, VEZUVED_SET_TRACK, "Walk");
        const char* names[] = {"", "Bend", ""};
        for (int i = 0; i < 3; ++i) {
            vezuved_point point = At(45.5 + i / 1e3, -122.6 - i / 5e2, names[i]);
            point.elevation = 100.0 + i;
            point.time = 1079274300000 + i * 60000;
            point.has_elevation = point.has_time = 1;
            ASSERT_EQ(VEZUVED_OK, vezuved_add_point(walk.handle, set, &point));
        }
        ASSERT_EQ(VEZUVED_OK, vezuved_write(walk.handle, Pc("Walk.pdb").c_str(), nullptr));
    }

    ASSERT_EQ(0, ToDevice(Pc("Walk.pdb")));
    Log() = CallbackLog();
    const std::vector<DeviceDatabaseView> host = Databases();
    ResetDevice();
    EXPECT_EQ(VEZUVED_OK, PushCore(Pc("Walk.pdb")));
    const std::vector<DeviceDatabaseView> core = Databases();
    ASSERT_EQ(1u, host.size());
    ASSERT_EQ(1u, core.size());
    EXPECT_EQ(std::tie(host[0].name, host[0].type, host[0].modified),
              std::tie(core[0].name, core[0].type, core[0].modified));
    ASSERT_EQ(host[0].records.size(), core[0].records.size());
    for (size_t i = 0; i < host[0].records.size(); ++i) {
        const auto &a = host[0].records[i], &b = core[0].records[i];
        EXPECT_EQ(std::tie(a.text, a.longitude, a.legDistance), std::tie(b.text, b.longitude, b.legDistance))
            << i;
    }
    // The progress counts records, not bytes of a text: nothing was written beside.
    EXPECT_EQ(
        "message Copying to Device: Walk|progress Walk 0 0/3|progress Walk 1 1/3|progress Walk 1 2/3|"
        "progress Walk 1 3/3|progress Walk 2 3/3|",
        recorder_.events);
    for (const auto& entry : std::filesystem::directory_iterator(PcFolder()))
        EXPECT_EQ("Walk.pdb", entry.path().filename().string());
}
