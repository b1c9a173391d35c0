#include "serve/serve_server.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ostream>
#include <string_view>
#include <thread>

#include "commands/device_commands.h"
#include "files/failure.h"
#include "files/temporary_folder.h"
#include "files/tool_platform.h"
#include "serve/serve_routes.h"
#include "serve/serve_security.h"
#include "serve/web_files.h"

namespace vezuved_cli {
namespace {

volatile std::sig_atomic_t g_stop = 0;
extern "C" void OnStopSignal(int) { g_stop = 1; }

const char* ContentType(std::string_view path) {
    const auto endsIn = [&](std::string_view tail) {
        return path.size() > tail.size() && path.substr(path.size() - tail.size()) == tail;
    };
    if (endsIn(".js")) return "text/javascript; charset=utf-8";
    if (endsIn(".css")) return "text/css; charset=utf-8";
    return "text/html; charset=utf-8";
}

const WebFile* FindWebFile(const std::string& path) {
    for (size_t i = 0; i < kWebFileCount; ++i) {
        if (path == kWebFiles[i].path) return &kWebFiles[i];
    }
    return nullptr;
}

// Every request: the machine's own address at this port, and the token.
httplib::Server::HandlerResponse Admit(const Server& server,
                                       const httplib::Request& request,
                                       httplib::Response& response) {
    if (!HostAllowed(request.get_header_value("Host"), server.port) ||
        !OriginAllowed(request.get_header_value("Origin"), server.port)) {
        Send(response,
             403,
             "refused: only pages of http://127.0.0.1:" + std::to_string(server.port) + " may ask");
        return httplib::Server::HandlerResponse::Handled;
    }
    const std::string given = request.has_param("token")
                                  ? request.get_param_value("token")
                                  : TokenInCookie(request.get_header_value("Cookie"), server.port);
    if (!TokenMatches(server.token, given)) {
        Send(response, 403, "refused: open the address vezuved serve printed, with its token");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

}  // namespace

void RunServer(const RunContext& run, const ServeOptions& options) {
    // What an earlier server left when it was killed goes before this one starts.
    TemporaryFolder::SweepLeftBehind();
    Server server;
    server.options = options;
    server.token = NewToken();
    if (options.withDevice) UseEmulatedDevice(options.device);
    httplib::Server http;
    http.set_payload_max_length(options.maxUpload);
    // A refusal the library makes itself says why, in the page's words.
    http.set_error_handler([&](const httplib::Request&, httplib::Response& response) {
        if (response.status == 413 && response.body.empty())
            Send(response,
                 413,
                 "the files are larger than the " + std::to_string(options.maxUpload >> 20) +
                     " MB this page takes at once; open fewer or smaller files");
    });
    // No other site may show the page in a frame of its own.
    http.set_default_headers(
        {{"X-Frame-Options", "DENY"}, {"Content-Security-Policy", "frame-ancestors 'none'"}});
    http.set_pre_routing_handler([&](const httplib::Request& request, httplib::Response& response) {
        return Admit(server, request, response);
    });
    http.Get("/", [&](const httplib::Request&, httplib::Response& response) {
        // The token becomes a cookie, so the page's own requests carry it.
        response.set_header(
            "Set-Cookie",
            TokenCookieName(server.port) + "=" + server.token + "; Path=/; HttpOnly; SameSite=Strict");
        const WebFile* page = FindWebFile("/index.html");
        response.set_content(
            reinterpret_cast<const char*>(page->bytes), page->size, "text/html; charset=utf-8");
    });
    http.Get(R"(/([a-z]+\.(?:js|css|html)))",
             [&](const httplib::Request& request, httplib::Response& response) {
                 const WebFile* file = FindWebFile(request.path);
                 if (file == nullptr) return Send(response, 404, "no such page file");
                 response.set_content(
                     reinterpret_cast<const char*>(file->bytes), file->size, ContentType(request.path));
             });
    // The page's own comings and goings: the last one closed, or its Quit, ends the server.
    http.Post("/api/hello", [&](const httplib::Request& request, httplib::Response& response) {
        server.pages.Hello(request.get_param_value("page"));
        SendJson(response, {{"ok", true}});
    });
    http.Post("/api/goodbye", [&](const httplib::Request& request, httplib::Response& response) {
        server.pages.Goodbye(request.get_param_value("page"));
        SendJson(response, {{"ok", true}});
    });
    http.Post("/api/quit", [&](const httplib::Request&, httplib::Response& response) {
        server.quit = true;
        SendJson(response, {{"ok", true}});
    });
    AddFileRoutes(http, server);
    AddDeviceRoutes(http, server);
    http.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string words = "failed";
            try {
                if (error) std::rethrow_exception(error);
            } catch (const std::exception& caught) {
                words = caught.what();
            } catch (...) {
            }
            Send(response, 500, words);
        });

    if (options.port == 0) {
        server.port = http.bind_to_any_port("127.0.0.1");
        if (server.port < 0) FailConversion("serve: cannot listen on 127.0.0.1");
    } else {
        if (!http.bind_to_port("127.0.0.1", options.port))
            FailConversion("serve: cannot listen on 127.0.0.1:" + std::to_string(options.port) +
                           " (is it in use?)");
        server.port = options.port;
    }
    const std::string address = "http://127.0.0.1:" + std::to_string(server.port) + "/?token=" + server.token;
    run.out << address << std::endl;
    if (options.openBrowser && vezuved_system_open_in_browser(address.c_str()) != 1)
        run.err << "vezuved: no browser could be opened; open the address above in one\n" << std::flush;

    // Ctrl-C, SIGTERM and a closed terminal end the serving; what was
    // uploaded goes with it.
    g_stop = 0;
    auto previousInt = std::signal(SIGINT, OnStopSignal);
    auto previousTerm = std::signal(SIGTERM, OnStopSignal);
#if defined(SIGHUP)
    auto previousHangUp = std::signal(SIGHUP, OnStopSignal);
#endif
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done && !g_stop && !server.quit && !server.pages.AllClosed())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        http.stop();
        server.jobs.AskToStop();
        // What still runs past the deadline (a long conversion, a copy in
        // a slow call) is cut short: its files go, and the process with them.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
        while (!done && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done) return;
        TemporaryFolder::RemoveAllNow();
        run.err << "vezuved: serve stopped; work still running was cut short" << std::endl;
        std::_Exit(0);
    });
    http.listen_after_bind();
    // The copies, asked to stop by the watcher, end at their next step; one
    // stalled in a call of the handheld is cut short with the requests.
    server.jobs.StopAll();
    done = true;
    watcher.join();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
#if defined(SIGHUP)
    std::signal(SIGHUP, previousHangUp);
#endif
    run.err << "vezuved: serve stopped\n";
}

}  // namespace vezuved_cli
