// The web server over HTTP on loopback: what passes its gate, the Pin, the
// API's answers and the push, with a stand-in for the GUI thread that runs
// the hub's tasks.
#include "remote/remote_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

namespace stanzo::remote {
namespace {

using namespace std::chrono_literals;

// The GUI thread: takes the server's tasks, as the console's pump does.
class Pump {
 public:
  explicit Pump(RemoteHub& hub) : hub_(hub), thread_([this] { Run(); }) {}
  ~Pump() {
    stop_ = true;
    thread_.join();
  }

 private:
  void Run() {
    while (!stop_) {
      if (hub_.RunPending() == 0) std::this_thread::sleep_for(1ms);
    }
  }
  RemoteHub& hub_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class RemoteServerTest : public ::testing::Test {
 protected:
  void Start(const std::string& pin) {
    std::string error;
    ASSERT_TRUE(server.Listen(
        "127.0.0.1", 0, pin,
        [this](Route r, long long index) {
          calls += std::to_string(static_cast<int>(r)) + ":" + std::to_string(index) + " ";
          return Reply{r == Route::kBack ? 409 : 200,
                       r == Route::kBack ? "{\"error\":\"no line selected\"}" : "{\"n\":1}"};
        },
        &error))
        << error;
    server.Hub().Publish("{\"s\":1}", "{\"m\":[]}");
  }
  httplib::Client Client() {
    httplib::Client c("127.0.0.1", server.Port());
    c.set_read_timeout(5s);
    return c;
  }

  Server server;
  Pump pump{server.Hub()};
  std::string calls;  // written by the pump thread only while a request waits
};

TEST_F(RemoteServerTest, OnlyItsRoutesAndNoForeignPosts) {
  Start("");
  httplib::Client c = Client();
  const httplib::Headers foreign = {{"Origin", "http://elsewhere.example"}};
  const httplib::Headers rebound = {{"Host", "evil.example:8096"}};
  const httplib::Headers own = {{"Origin", "http://127.0.0.1:" + std::to_string(server.Port())}};
  const struct {
    const char* method;
    const char* path;
    const httplib::Headers* headers;
    const char* body;
    int status;
  } cases[] = {
      {"GET", "/", nullptr, "", 200},
      {"GET", "/monitor", nullptr, "", 200},
      {"GET", "/overlay.js", nullptr, "", 200},
      {"GET", "/favicon.ico", nullptr, "", 404},
      {"GET", "/../../etc/passwd", nullptr, "", 404},
      {"GET", "/api/next", nullptr, "", 405},  // no change by GET
      {"POST", "/", nullptr, "", 405},
      {"POST", "/api/next", nullptr, "", 200},  // a controller: no Origin
      {"POST", "/api/next", &own, "", 200},
      {"POST", "/api/next", &foreign, "", 403},
      {"POST", "/api/back", nullptr, "", 409},
      {"POST", "/api/select", nullptr, "{\"index\":2}", 200},
      {"POST", "/api/select", nullptr, "{\"index\":\"2\"}", 400},
      {"GET", "/api/state", nullptr, "", 200},
      {"GET", "/api/state", &rebound, "", 403},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(std::string(k.method) + " " + k.path);
    const httplib::Headers none;
    const httplib::Headers& h = k.headers ? *k.headers : none;
    auto r = std::string(k.method) == "GET" ? c.Get(k.path, h)
                                            : c.Post(k.path, h, k.body, "application/json");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, k.status);
  }
  // Only the allowed actions reached the console (kNext 13, kBack 14,
  // kSelect 16, kState 10).
  EXPECT_EQ(calls, "13:-1 13:-1 14:-1 16:2 10:-1 ");
  auto page = c.Get("/");
  EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(c.Get("/remote.js")->get_header_value("Content-Type"),
            "text/javascript; charset=utf-8");
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("script-src 'self'"),
            std::string::npos);
  EXPECT_EQ(page->body.find("<script>"), std::string::npos);  // no inline code
}

TEST_F(RemoteServerTest, ThePinGuardsEverythingButTheLogin) {
  Start("2468");
  httplib::Client c = Client();
  EXPECT_EQ(c.Get("/")->status, 303);
  EXPECT_EQ(c.Get("/")->get_header_value("Location"), "/login");
  EXPECT_EQ(c.Get("/api/state")->status, 401);
  EXPECT_EQ(c.Post("/api/next")->status, 401);
  EXPECT_EQ(c.Get("/login")->status, 200);
  EXPECT_EQ(c.Post("/login", "pin=1111", "application/x-www-form-urlencoded")->status, 403);
  // Right after a wrong Pin even the right one waits out the lock.
  EXPECT_EQ(c.Get("/api/state", {{"X-Stanzo-Pin", "2468"}})->status, 401);
  std::this_thread::sleep_for(std::chrono::milliseconds(Server::kPinLockoutMs + 50));
  auto login = c.Post("/login", "pin=2468", "application/x-www-form-urlencoded");
  EXPECT_EQ(login->status, 303);
  const std::string cookie = login->get_header_value("Set-Cookie");
  EXPECT_EQ(cookie, "stanzo_pin=2468; Path=/; HttpOnly; SameSite=Strict");
  EXPECT_EQ(c.Get("/", {{"Cookie", "stanzo_pin=2468"}})->status, 200);
  EXPECT_EQ(c.Post("/api/next", {{"X-Stanzo-Pin", "2468"}}, "", "text/plain")->status, 200);
  EXPECT_EQ(calls, "13:-1 ");
}

TEST_F(RemoteServerTest, ThePushSendsTheStateAndEachChange) {
  Start("");
  std::string received;
  std::atomic<int> events{0};
  std::thread page([&] {
    httplib::Client c = Client();
    c.Get("/api/events", [&](const char* data, size_t n) {
      received.append(data, n);
      events = static_cast<int>(std::count(received.begin(), received.end(), '\n'));
      return received.find("{\"s\":2}") == std::string::npos;
    });
  });
  const auto until = std::chrono::steady_clock::now() + 5s;
  while (server.OpenPages() == 0 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(1ms);
  while (events < 3 && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
  server.Hub().Publish("{\"s\":2}", "{\"m\":[]}");
  page.join();
  EXPECT_EQ(received, "retry: 1000\ndata: {\"s\":1}\n\ndata: {\"s\":2}\n\n");
}

TEST(RemoteServerPortTest, ATakenPortIsAReasonNotACrash) {
  Server first, second;
  std::string error;
  ASSERT_TRUE(first.Listen(
      "127.0.0.1", 0, "", [](Route, long long) { return Reply{}; }, &error));
  EXPECT_FALSE(second.Listen(
      "127.0.0.1", first.Port(), "", [](Route, long long) { return Reply{}; }, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace stanzo::remote
