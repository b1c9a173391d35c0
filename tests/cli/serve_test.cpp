// `vezuved serve` over HTTP: who it lets in, what it refuses, when it ends.
#if defined(VEZUVED_HAVE_HTTPLIB) && !defined(_WIN32)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <regex>
#include <thread>

#include <httplib.h>

#include "tool_runner.h"

namespace cli_test {
namespace {

// Whether the process runs: not gone, nor a zombie its new parent has yet to reap.
bool Running(pid_t pid) {
    if (kill(pid, 0) != 0) return false;
    std::string stat;
    try {
        stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    } catch (const std::exception&) {
        return false;  // reaped between the two looks: reading its entry fails
    }
    const size_t name = stat.rfind(')');
    return name == std::string::npos || stat.compare(name, 3, ") Z") != 0;
}

// Milliseconds until the server's process has ended, at most 5 s.
long long EndedWithin(pid_t pid) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 500 && Running(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

class ServeTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (IsSkipped()) return;
        temporary_ = Out("tmp");
        pc_ = Out("pc");
        std::filesystem::create_directories(temporary_);
        std::filesystem::create_directories(pc_);
        WriteFile(Out("outside.rlp"), "secret\n");
        Start();
    }
    // Starts the server, with the handheld's faults given; once it ends, the
    // file "status" holds its exit status (each file appears whole, by a rename;
    // a test already ended has taken its folder, and nothing is said of it).
    void Start(bool withDevice = true, const std::string& deviceFaults = "") {
        for (const char* earlier : {"out", "pid", "status"}) std::filesystem::remove(Out(earlier));
        const std::string server = "TMPDIR=" + Quoted(temporary_) +
                                   " VEZUVED_DEVICE_FAULTS=" + Quoted(deviceFaults) + " " +
                                   Quoted(ToolPath()) + " serve --no-open --port 0 --max-upload 1 --folder " +
                                   Quoted(pc_) + (withDevice ? " --device " + Quoted(Out("handheld")) : "") +
                                   " >" + Quoted(Out("out")) + " 2>" + Quoted(Out("err"));
        ASSERT_EQ(0,
                  RunShell("(" + server + " & echo $! >" + Quoted(Out("pid.part")) + " && mv " +
                           Quoted(Out("pid.part")) + " " + Quoted(Out("pid")) + "; wait $!; { echo $? >" +
                           Quoted(Out("status.part")) + " && mv " + Quoted(Out("status.part")) + " " +
                           Quoted(Out("status")) + "; } 2>/dev/null) &"));
        for (int i = 0; i < 500 && !std::filesystem::exists(Out("pid")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pid_ = std::stoi(ReadFile(Out("pid")));
        const std::regex address(R"(^http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{32})\n)");
        std::smatch match;
        for (int i = 0; i < 100; ++i) {
            const std::string out = ReadFile(Out("out"));
            if (std::regex_search(out, match, address)) {
                port_ = std::stoi(match[1]);
                token_ = match[2];
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "serve printed no address: " << ReadFile(Out("err"));
    }
    void TearDown() override {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        EndedWithin(pid_);
        EXPECT_FALSE(Running(pid_)) << "serve did not end on SIGTERM";
        // What was uploaded went with it.
        EXPECT_TRUE(std::filesystem::is_empty(temporary_)) << "left in the temporary folder";
    }
    // The ended server's exit status, once its shell has written it.
    std::string Status() const {
        for (int i = 0; i < 250 && !std::filesystem::exists(Out("status")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return ReadFile(Out("status"));
    }
    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(20, 0);
        return client;
    }
    std::string WithToken(const std::string& path) const {
        return path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + token_;
    }
    int Status(const std::string& path, const httplib::Headers& headers = {}) const {
        const httplib::Result result = Client().Get(path, headers);
        return result ? result->status : -1;
    }
    // A request with the token: its status (-1 for no answer) and body.
    using Answer = std::pair<int, std::string>;
    static Answer Of(const httplib::Result& result) {
        return result ? Answer(result->status, result->body) : Answer(-1, "");
    }
    Answer Get(const std::string& path) const { return Of(Client().Get(WithToken(path))); }
    Answer Post(const std::string& path) const {
        return Of(Client().Post(WithToken(path), "", "text/plain"));
    }
    Answer Open(const httplib::MultipartFormDataItems& items) const {
        return Of(Client().Post(WithToken("/api/open"), items));
    }
    // The job's answer once it holds `part`, or its last after 10 s.
    std::string Job(int id, const std::string& part) const {
        std::string job;
        for (int i = 0; i < 200 && job.find(part) == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            job = Get("/api/jobs/" + std::to_string(id)).second;
        }
        return job;
    }
    void OpenTrack() {
        ASSERT_EQ(
            Answer(200,
                   "{\"files\":[{\"failure\":\"\",\"id\":1,\"name\":\"trip.gpx\",\"problems\":\"\",\"sets\":["
                   "{\"count\":2,\"index\":0,\"kind\":\"points\",\"title\":\"waypoints\"},"
                   "{\"count\":2,\"index\":1,\"kind\":\"route\",\"title\":\"Loop\"},"
                   "{\"count\":3,\"index\":2,\"kind\":\"track\",\"title\":\"Morning\"},"
                   "{\"count\":2,\"index\":3,\"kind\":\"track\",\"title\":\"Evening ride\"}]}]}"),
            Open({{"files",
                   ReadFile(SourceFile("tests/cli/data/trip.gpx")),
                   "trip.gpx",
                   "application/gpx+xml"}}));
    }

    std::string temporary_, pc_, token_;
    int port_ = 0;
    pid_t pid_ = 0;
};

TEST_F(ServeTest, LetsInOnlyTheTokenFromThisMachinesAddress) {
    const std::string port = std::to_string(port_), files = WithToken("/api/files");
    const struct {
        const char* what;
        std::string path;
        httplib::Headers headers;
        int status;
    } cases[] = {
        {"no token", "/api/files", {}, 403},
        {"the token", files, {}, 200},
        {"the token as this port's cookie",
         "/api/files",
         {{"Cookie", "a=b; vezuved_token_" + port + "=" + token_}},
         200},
        {"the token as another port's cookie", "/api/files", {{"Cookie", "vezuved_token=" + token_}}, 403},
        {"another token", "/api/files?token=" + std::string(32, '0'), {}, 403},
        {"the page, no token", "/", {}, 403},
        {"a foreign Origin", files, {{"Origin", "http://evil.example"}}, 403},
        {"this Origin", files, {{"Origin", "http://127.0.0.1:" + port}}, 200},
        // Another port of this machine is another site.
        {"another port's Origin", files, {{"Origin", "http://127.0.0.1:" + std::to_string(port_ + 1)}}, 403},
        {"a rebound name", files, {{"Host", "evil.example:" + port}}, 403},
        {"localhost", files, {{"Host", "localhost:" + port}}, 403},
    };
    for (const auto& c : cases) EXPECT_EQ(c.status, Status(c.path, c.headers)) << c.what;
    const httplib::Result page = Client().Get(WithToken("/"));
    ASSERT_TRUE(page);
    EXPECT_NE(std::string::npos,
              page->get_header_value("Set-Cookie").find("vezuved_token_" + port + "=" + token_ + ";"));
    // No other site may frame the page, nor any answer.
    for (const httplib::Result& answer : {Client().Get(WithToken("/")), Client().Get("/api/files")}) {
        ASSERT_TRUE(answer);
        EXPECT_EQ("DENY", answer->get_header_value("X-Frame-Options"));
        EXPECT_EQ("frame-ancestors 'none'", answer->get_header_value("Content-Security-Policy"));
    }
    EXPECT_EQ(404, Get("/api/jobs/99999999999999999999").first);
}

// Uploads are private and kept apart by name; a push leaves the user's folder alone.
TEST_F(ServeTest, UploadsArePrivateApartAndPushesLeaveTheFolderAlone) {
    const std::string trip = ReadFile(SourceFile("tests/cli/data/trip.gpx")), gpx = "application/gpx+xml";
    const Answer opened = Open({
        {"files", trip, "a/trip.gpx", gpx},
        {"files", ReadFile(SourceFile("tests/cli/data/several-tracks.gpx")), "b/trip.gpx", gpx},
        {"files", trip, std::string(266, 'n') + ".gpx", gpx},
        {"files",
         ReadFile(SourceFile("tests/cli/data/readers/kmz-first.kmz")),
         "places.kmz",
         "application/vnd.google-earth.kmz"},
        // Cut at 200 bytes inside the "\xC3\xA9": the whole letter goes.
        {"files", trip, std::string(195, 'u') + "\xC3\xA9" + std::string(70, 'u') + ".gpx", gpx},
    });
    ASSERT_EQ(200, opened.first) << opened.second;
    for (const std::string& name : std::vector<std::string>{"trip.gpx\"",
                                                            "trip (2).gpx\"",
                                                            std::string(196, 'n') + ".gpx\"",
                                                            std::string(195, 'u') + ".gpx\"",
                                                            "places.kmz\",\"problems\":\"\",\"sets\":[{"})
        EXPECT_NE(std::string::npos, opened.second.find("\"name\":\"" + name)) << name;
    EXPECT_EQ(std::string::npos, opened.second.find("\"failure\":\"c")) << opened.second;
    EXPECT_NE(Get("/api/take?file=1&set=0&format=gpx"), Get("/api/take?file=2&set=0&format=gpx"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary_)) {
        const auto others = std::filesystem::perms::group_all | std::filesystem::perms::others_all;
        EXPECT_EQ(std::filesystem::perms::none, entry.status().permissions() & others) << entry.path();
    }

    WriteFile(pc_ + "/Morning.pdb", "mine");
    const Answer push = Post("/api/device/push?file=1&set=2");
    EXPECT_EQ(200, push.first) << push.second;
    EXPECT_EQ("mine", ReadFile(pc_ + "/Morning.pdb"));
    // Only a POST lists the handheld; the sync file is not offered for a push.
    EXPECT_EQ(404, Get("/api/device").first);
    WriteFile(pc_ + "/RLDBSync.inf", "an older listing");
    const Answer listing = Post("/api/device");
    EXPECT_EQ(200, listing.first) << listing.second;
    EXPECT_NE(std::string::npos, listing.second.find("\"folder\":[{\"name\":\"Morning.pdb\",\"size\":4}]"))
        << listing.second;
    // A closed file is gone from the list and from the disk.
    const Answer closed = Post("/api/close?file=2");
    EXPECT_EQ(200, closed.first) << closed.second;
    EXPECT_EQ(404, Get("/api/map?file=2&set=0").first);
    EXPECT_EQ(404, Post("/api/close?file=2").first);
    // A number is the whole value: what follows its digits makes it name no file or set.
    for (const char* path : {"/api/map?file=1&set=2x",
                             "/api/map?file=1x&set=2",
                             "/api/map?file=1&set=2,0",
                             "/api/map?file=1&set=9",
                             "/api/take?file=1&set=2x&format=gpx"})
        EXPECT_EQ(404, Get(path).first) << path;
    // Several sets in one zip, each pair read on its own.
    EXPECT_EQ(200, Get("/api/take-zip?sets=1:0,1:1,1:2&format=gpx").first);
    // A merge names its sets alike, and each must be there.
    for (const char* route : {"take-zip", "take-merged"}) {
        for (const auto& [sets, pair] : {std::pair("1:0,1:1x,1:2", "1:1x"),
                                         std::pair("1:0,1x:1", "1x:1"),
                                         std::pair("1:0,1:9", "1:9"),
                                         std::pair("1:0,1", "1")}) {
            EXPECT_EQ(Answer(404, "no such file or set: " + std::string(pair) + "\n"),
                      Get("/api/" + std::string(route) + "?sets=" + sets + "&format=gpx"))
                << route << " " << sets;
        }
    }
    // A text read by its header row is taken on its own, never merged with others.
    const Answer csv = Open({{"files", "lat,lon,name\n45.5,7.5,A\n", "walk.csv", "text/csv"}});
    ASSERT_NE(std::string::npos, csv.second.find("\"id\":6,\"name\":\"walk.csv\",\"problems\":\"\""))
        << csv.second;
    EXPECT_EQ(Answer(400, "'walk.csv' is read by its header row: take it on its own\n"),
              Get("/api/take-merged?sets=1:0,6:0&format=gpx"));
    // A file that cannot be read draws nothing: its cause is the answer.
    ASSERT_EQ(200, Open({{"files", "<gpx>", "cut.gpx", "application/gpx+xml"}}).first);
    for (const char* path : {"/api/lines?file=7", "/api/map?file=7"}) {
        const Answer cut = Get(path);
        EXPECT_EQ(422, cut.first) << path;
        EXPECT_NE(std::string::npos, cut.second.find("cut.gpx': line 1: no element found\n")) << cut.second;
    }
    const std::string files = Get("/api/files").second;
    EXPECT_EQ(std::string::npos, files.find("trip (2).gpx")) << files;
    EXPECT_NE(std::string::npos, files.find("\"id\":3")) << files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary_))
        EXPECT_NE(entry.path().filename(), "trip (2).gpx");
    EXPECT_EQ(FolderNames(pc_), (std::vector<std::string>{"Morning.pdb", "RLDBSync.inf"}));
}

// A set named as Windows names a device downloads with a '_' before its name;
// another name only like one keeps its own; a control character becomes '_';
// dots and '_' at either end go, and a name of nothing else is "set".
TEST_F(ServeTest, ADownloadNeverTakesAWindowsDeviceName) {
    const std::string track =
        "<trk><name>%s</name><trkseg><trkpt lat=\"1\" lon=\"2\"/>"
        "<trkpt lat=\"1.1\" lon=\"2\"/></trkseg></trk>";
    std::string gpx = "<gpx>";
    for (const char* name : {"COM1",
                             "trk1",
                             "a\xC2\x85"
                             "b",  // U+0085, a control character
                             "._hidden._",
                             "._."})
        gpx += std::string(track).replace(track.find("%s"), 2, name);
    ASSERT_EQ(200, Open({{"files", gpx + "</gpx>", "names.gpx", "application/gpx+xml"}}).first);
    for (const auto& [set, name] :
         {std::pair{0, "_COM1.pdb"}, {1, "trk1.pdb"}, {2, "a_b.pdb"}, {3, "hidden.pdb"}, {4, "set.pdb"}}) {
        const httplib::Result taken =
            Client().Get(WithToken("/api/take?file=1&set=" + std::to_string(set) + "&format=pdb"));
        ASSERT_TRUE(taken);
        EXPECT_EQ("attachment; filename=\"" + std::string(name) + "\"",
                  taken->get_header_value("Content-Disposition"));
    }
}

// A split's pieces download as one zip and push as databases of their own;
// a refused change names no folder of the server's.
TEST_F(ServeTest, SplitPiecesDownloadAsAZipAndPushApart) {
    OpenTrack();
    // The map of one set draws that set alone.
    const std::string morning = Get("/api/map?file=1&set=2").second;
    EXPECT_NE(std::string::npos, morning.find("Morning")) << morning;
    EXPECT_EQ(std::string::npos, morning.find("Evening ride")) << morning;
    const httplib::Result zip = Client().Get(WithToken("/api/take?file=1&set=2&format=pdb&split=gap%3D1min"));
    ASSERT_TRUE(zip);
    ASSERT_EQ(200, zip->status) << zip->body;
    EXPECT_EQ("application/zip", zip->get_header_value("Content-Type"));
    EXPECT_EQ("attachment; filename=\"Morning.zip\"", zip->get_header_value("Content-Disposition"));
    EXPECT_EQ("2", zip->get_header_value("X-Vezuved-Pieces"));
    for (const char* piece : {"Morning-1.pdb", "Morning-2.pdb"})
        EXPECT_NE(std::string::npos, zip->body.find(piece)) << piece;
    // A map file holds the segments: one file.
    const httplib::Result gpx = Client().Get(WithToken("/api/take?file=1&set=2&format=gpx&split=gap%3D1min"));
    ASSERT_TRUE(gpx);
    EXPECT_EQ("attachment; filename=\"Morning.gpx\"", gpx->get_header_value("Content-Disposition"));

    // A fresh handheld: no databases yet, which is no fault.
    std::filesystem::create_directories(Out("handheld"));
    const std::string fresh = Post("/api/device").second;
    EXPECT_NE(std::string::npos, fresh.find("\"fresh\":true,\"pcOnly\":[],\"problems\":\"\"")) << fresh;
    const Answer push = Post("/api/device/push?file=1&set=2&create=1&split=gap%3D1min");
    ASSERT_EQ(200, push.first) << push.second;
    const std::string job = Job(1, "\"finished\":true");
    for (const char* part :
         {"\"failed\":false",
          "\"what\":\"push Morning-1.pdb and 1 more\"",
          "\"item\":\"Morning-2\"",
          "\"messages\":\"Copying to Device: Morning-1\\nCopying to Device: Morning-2\\n\""})
        EXPECT_NE(std::string::npos, job.find(part)) << job;
    const std::string listed = Post("/api/device").second;
    EXPECT_NE(std::string::npos, listed.find("\"fresh\":false")) << listed;
    EXPECT_NE(std::string::npos, listed.find("\"name\":\"Morning-2\"")) << listed;
    // A pull whose PC file cannot be written names its cause beside its item.
    std::filesystem::create_directories(pc_ + "/Morning-2.rlt");
    ASSERT_EQ(200, Post("/api/device/pull?name=Morning-2&always=1").first);
    const std::string pulled = Job(2, "\"finished\":true");
    EXPECT_NE(std::string::npos, pulled.find("\"failed\":true")) << pulled;
    EXPECT_TRUE(std::regex_search(pulled, std::regex("\"failure\":\"[^\"]+\",\"item\":\"Morning-2\"")))
        << pulled;
    // A file of the folder is pushed as it is.
    WriteFile(pc_ + "/Cabin.rlp", "45.6,-122.7,,,Cabin,,\r\n");
    ASSERT_EQ(200, Post("/api/device/push?name=Cabin.rlp").first);
    const std::string cabin = Job(3, "\"finished\":true");
    EXPECT_NE(std::string::npos, cabin.find("\"failed\":false,\"finished\":true,\"id\":3,\"items\":[{"))
        << cabin;
    EXPECT_NE(std::string::npos, cabin.find("\"what\":\"push Cabin.rlp\"")) << cabin;

    for (const auto& [query, said] : {
             std::pair("/api/change?file=1&set=2&simplify=abc",
                       "Simplify to abc: say a point count (500) or an error distance (10m, 0.5km)\n"),
             std::pair("/api/take?file=1&set=0&format=pdb&crop=box%3D1",
                       "Crop box=1: say box=SOUTH,WEST,NORTH,EAST in degrees (box=45.1,6.2,45.3,6.5)\n\n"),
         }) {
        const std::string body = Get(query).second;
        EXPECT_EQ(said, body) << query;
        EXPECT_EQ(std::string::npos, body.find(temporary_)) << query;
    }
}

// With a question waiting, copies queued and drawings under way, SIGTERM
// still ends the server within a second.
TEST_F(ServeTest, EndsWithinASecondOfSigtermWhateverIsPending) {
    OpenTrack();
    std::filesystem::create_directories(Out("handheld"));
    const auto push = [&](const std::string& options) {
        return Post("/api/device/push?file=1&set=2&" + options).second;
    };
    push("create=1");
    Job(1, "\"finished\":true");
    ASSERT_NE(std::string::npos, push("ask=1").find("\"job\":2"));
    const std::string job = Job(2, "\"question\":\"Morning");
    ASSERT_NE(std::string::npos, job.find("\"question\":\"Morning")) << job;
    // The question holds nothing: the page still reads, draws and lists meanwhile.
    EXPECT_EQ(200, Get("/api/map?file=1&set=2").first);
    EXPECT_EQ(200, Get("/api/change?file=1&set=2&simplify=2").first);
    std::vector<std::future<void>> waiting;
    for (int i = 0; i < 20; ++i)
        waiting.push_back(std::async(std::launch::async, [&, i] {
            i % 2 == 0 ? push("ask=1") : Get("/api/map?file=1&set=2").second;
        }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(pid_, SIGTERM);
    EXPECT_LT(EndedWithin(pid_), 1000);
    for (auto& request : waiting) request.wait();
}

// A question alone waiting: the stop cancels it, and the server ends whole, not cut short.
TEST_F(ServeTest, AStopCancelsAWaitingQuestion) {
    OpenTrack();
    std::filesystem::create_directories(Out("handheld"));
    Post("/api/device/push?file=1&set=2&create=1");
    Job(1, "\"finished\":true");
    Post("/api/device/push?file=1&set=2&ask=1");
    ASSERT_NE(std::string::npos, Job(2, "\"question\":\"Morning").find("\"question\":\"Morning"));
    kill(pid_, SIGTERM);
    EXPECT_LT(EndedWithin(pid_), 1000);
    EXPECT_NE(std::string::npos, ReadFile(Out("err")).find("vezuved: serve stopped\n"))
        << ReadFile(Out("err"));
}

// Work still running once a stop's grace is over (a copy stalled in a slow
// call) is cut short: its files go, and the server ends at once, with success.
TEST_F(ServeTest, WorkStillRunningAtTheStopIsCutShort) {
    kill(pid_, SIGTERM);
    EndedWithin(pid_);
    Status();  // the first server's, written before the second starts
    Start(true, "CeWriteRecordProps@1=slow");
    OpenTrack();
    std::filesystem::create_directories(Out("handheld"));
    Post("/api/device/push?file=1&set=2&create=1");
    // Its first step said, the copy writes its first record, and stalls.
    ASSERT_NE(std::string::npos, Job(1, "\"stage\":1").find("\"stage\":1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid_, SIGTERM);
    EXPECT_LT(EndedWithin(pid_), 1500);
    EXPECT_EQ(Status(), "0\n");
    const std::string err = ReadFile(Out("err")),
                      said = "vezuved: serve stopped; work still running was cut short\n";
    EXPECT_EQ(err.substr(err.size() - std::min(err.size(), said.size())), said) << err;
}

// The page's Quit, and the last page closing, end the server as SIGTERM does.
TEST_F(ServeTest, QuitAndTheLastPageClosingEndTheServer) {
    OpenTrack();
    for (const char* page : {"a", "b"})
        ASSERT_EQ(Answer(200, "{\"ok\":true}"), Post("/api/hello?page=" + std::string(page)));
    Post("/api/goodbye?page=a");
    std::this_thread::sleep_for(std::chrono::seconds(5));
    EXPECT_TRUE(Running(pid_)) << "a page is still open";
    Post("/api/goodbye?page=b");
    const long long closed = EndedWithin(pid_);
    EXPECT_GE(closed, 3000) << "a reload's pause must not end it";
    EXPECT_LT(closed, 5000);
    EXPECT_NE(std::string::npos, ReadFile(Out("err")).find("vezuved: serve stopped\n"));
}

// Quit ends it at once; the next server sweeps what a killed one left.
TEST_F(ServeTest, QuitEndsItAtOnceAndTheNextSweepsWhatAKilledOneLeft) {
    OpenTrack();
    ASSERT_EQ(200, Post("/api/quit").first);
    EXPECT_LT(EndedWithin(pid_), 1000);
    const std::string killed = temporary_ + "/vezuved-999999999-1",
                      running = temporary_ + "/vezuved-" + std::to_string(getpid()) + "-1",
                      other = temporary_ + "/vezuved-notes";
    for (const std::string& folder : {killed, running, other}) {
        std::filesystem::create_directories(folder);
        WriteFile(folder + "/trip.gpx", "x");
    }
    Start(false);
    EXPECT_FALSE(std::filesystem::exists(killed));
    // Without --device the page has no handheld to offer.
    EXPECT_NE(std::string::npos, Get("/api/files").second.find("\"device\":false"))
        << Get("/api/files").second;
    EXPECT_TRUE(std::filesystem::exists(running + "/trip.gpx"));
    EXPECT_TRUE(std::filesystem::exists(other + "/trip.gpx"));
    std::filesystem::remove_all(running);
    std::filesystem::remove_all(other);
}

TEST_F(ServeTest, RefusesPathsOutsideItsFolders) {
    OpenTrack();
    std::filesystem::create_symlink(Out("outside.rlp"), pc_ + "/link.rlp");
    // A folder whose name begins with the served folder's is another folder.
    std::filesystem::create_directories(pc_ + "2");
    WriteFile(pc_ + "2/x.rlp", "secret\n");
    std::filesystem::create_symlink(pc_ + "2/x.rlp", pc_ + "/sibling.rlp");
    for (const std::string& name : std::vector<std::string>{"../outside.rlp",
                                                            Out("outside.rlp"),
                                                            "link.rlp",
                                                            "sibling.rlp",
                                                            "sub/../../outside.rlp",
                                                            "C:x.rlp"}) {
        const std::string encoded = httplib::detail::encode_query_param(name);
        EXPECT_EQ(403, Post("/api/device/push?name=" + encoded).first) << name;
        EXPECT_EQ(403, Get("/api/take?file=1&set=0&format=text&definition=" + encoded).first) << name;
    }
    for (const char* name : {"..%2Fx", "%5Cx", "*", "a%3Ab"})
        EXPECT_EQ(403, Post("/api/device/pull?name=" + std::string(name)).first) << name;
    // The last file and set are there; one past either, or below them, is none.
    for (const auto& [query, status] : {std::pair("file=1&set=3", 200),
                                        std::pair("file=1&set=4", 404),
                                        std::pair("file=1&set=-1", 404),
                                        std::pair("file=2&set=0", 404),
                                        std::pair("file=0&set=0", 404),
                                        std::pair("file=-1&set=0", 404)})
        EXPECT_EQ(status, Get("/api/take?format=gpx&" + std::string(query)).first) << query;
}

TEST_F(ServeTest, AnOversizedUploadIsRefusedAndNothingKept) {
    EXPECT_EQ(
        Answer(413,
               "the files are larger than the 1 MB this page takes at once; open fewer or smaller files\n"),
        Open({{"files", std::string((1u << 20) + 1, 'x'), "big.gpx", "application/gpx+xml"}}));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary_))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
    EXPECT_EQ("{\"definitions\":[],\"device\":true,\"files\":[],\"filters\":true,\"folder\":\"" + pc_ + "\"}",
              Get("/api/files").second);
}

TEST_F(ServeTest, ListensOn127001Only) {
    // Also this machine, on Linux: a server listening on every address answers there.
    const int sock = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port_));
    inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
    EXPECT_NE(0, connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address));
    close(sock);
    EXPECT_EQ(200, Get("/api/files").first);
}

TEST_F(ServeTest, FiftyRequestsAtOnceAreAllAnsweredAlike) {
    OpenTrack();
    const std::string paths[] = {"/api/map?file=1&set=2", "/api/take?file=1&set=2&format=geojson"};
    const std::string alone[] = {Get(paths[0]).second, Get(paths[1]).second};
    std::vector<std::future<Answer>> answers;
    for (int i = 0; i < 50; ++i)
        answers.push_back(std::async(std::launch::async, [&, i] { return Get(paths[i % 2]); }));
    for (int i = 0; i < 50; ++i) {
        const Answer answer = answers[i].get();
        EXPECT_EQ(200, answer.first) << i;
        EXPECT_TRUE(answer.second == alone[i % 2]) << i << ": an answer differs from the one given alone";
    }
}

}  // namespace
}  // namespace cli_test
#endif
