// The way out: which proxy settings are tried in which order, which one the run keeps, which
// failure is reported, what the log may show, and the Windows versions asked for TLS 1.2.
#include "net/proxy_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "net/retrying_fetch.h"
#include "recording_log.h"

namespace {

using ::testing::ElementsAreArray;
using W = ProxyWay;

std::vector<W> Ways(const std::vector<ProxyRoute>& routes) {
  std::vector<W> ways;
  for (const ProxyRoute& route : routes) ways.push_back(route.way);
  return ways;
}

TEST(ProxyRoutes, FollowTheBrowsersOrderAndEndDirect) {
  const ProxySettings all{true, L"http://pac/p.pac", L"p:3128", L"<local>", L"m:8080", L""};
  const std::pair<std::optional<ProxySettings>, std::vector<W>> cases[] = {
      {std::nullopt, {W::kSystem}},  // unreadable: as before
      {ProxySettings{}, {W::kDirect}},
      {ProxySettings{true}, {W::kDetect, W::kDirect}},
      {ProxySettings{false, L"", L"p:3128"}, {W::kNamed, W::kDirect}},
      {ProxySettings{false, L"", L"", L"", L"m:8080"}, {W::kMachine, W::kDirect}},
      {all, {W::kScript, W::kDetect, W::kNamed, W::kMachine, W::kDirect}}};
  for (const auto& [settings, ways] : cases) EXPECT_THAT(Ways(ProxyRoutes(settings)), ElementsAreArray(ways));
  EXPECT_EQ(ProxyRoutes(all)[2].bypass, L"<local>");
}

// What each way does when tried: 0 answers, 1 is the user's cancel, another code fails
// (negative: no proxy found). thrown: the failure's code, -1 for the cancel.
struct Sweep {
  std::map<W, int> outcome;
  std::vector<W> tried;
  RecordingLog log;
  int32_t thrown = 0;

  void operator()(ProxyChoice& choice) try {
    SendThroughProxies(
        choice,
        [this](const ProxyRoute& route, ProxyTry& found) {
          tried.push_back(route.way);
          if (route.way == W::kDetect && route.script.empty()) found.detected = L"http://wpad/wpad.dat";
          if (route.way == W::kScript || route.way == W::kDetect) found.proxy = L"s:80";
          const int code = outcome[route.way];
          if (code == 1) throw TransferFailure::Cancelled();
          if (code < 0) throw ProxyNotFound(-code, L"not found");
          if (code > 0) throw AppError(code, L"failed");
          return ResponseHead{407, L"Proxy Authentication Required"};
        },
        &log);
  } catch (const AppError& error) {
    thrown = error.number();
  } catch (const TransferFailure&) {
    thrown = -1;
  }
};

TEST(ProxyChoice, TheFirstWayThatAnswersIsKeptAndTheReportedFailureHadAWayOut) {
  const ProxySettings every{true, L"http://pac/p.pac", L"p:3128"}, named{false, L"", L"p:3128"};
  struct Case {
    ProxySettings settings;
    std::map<W, int> outcome;
    std::vector<W> tried, triedAgain;
    int32_t thrown;
    std::vector<std::wstring> log;  // "" for a line not compared
  } cases[] = {
      // clang-format off
      // Any status answers, a proxy's 407 too; a script that failed is not waited for again.
      {every, {{W::kScript, -12167}}, {W::kScript, W::kDetect}, {W::kDetect}, 0,
       {L"", L"Proxy used; via=detect; script=http://wpad/wpad.dat; proxy=s:80"}},
      {every, {{W::kScript, -12167}, {W::kDetect, -12180}}, {W::kScript, W::kDetect, W::kNamed}, {W::kNamed}, 0,
       {L"", L"", L"Proxy used; via=named; proxy=p:3128"}},
      // Nothing answers: the first way that had a proxy tells why; only the lost script goes.
      {every, {{W::kScript, -12167}, {W::kDetect, 12029}, {W::kNamed, 12002}, {W::kDirect, 12007}},
       {W::kScript, W::kDetect, W::kNamed, W::kDirect}, {W::kDetect, W::kNamed, W::kDirect}, 12029,
       {L"", L"", L"Proxy way failed, trying the next; via=named; proxy=p:3128; error=12002: failed"}},
      // A way alone fails as it always did, unlogged; a cancel ends the sweep at once.
      {ProxySettings{}, {{W::kDirect, 12007}}, {W::kDirect}, {W::kDirect}, 12007, {}},
      {named, {{W::kNamed, 1}}, {W::kNamed}, {W::kNamed}, -1, {}},
      // clang-format on
  };
  for (const Case& c : cases) {
    ProxyChoice choice(ProxyRoutes(c.settings));
    Sweep first{c.outcome};
    first(choice);
    EXPECT_THAT(first.tried, ElementsAreArray(c.tried));
    EXPECT_EQ(first.thrown, c.thrown);
    ASSERT_EQ(first.log.lines.size(), c.log.size());
    for (size_t i = 0; i < c.log.size(); ++i)
      EXPECT_TRUE(c.log[i].empty() || first.log.lines[i] == c.log[i]) << first.log.lines[i];
    Sweep again{c.outcome};
    again(choice);
    EXPECT_THAT(again.tried, ElementsAreArray(c.triedAgain));
  }
}

TEST(ProxyChoice, TheLogNeverShowsCredentials) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"http://user:pw@127.0.0.1:3128", L"http://127.0.0.1:3128"},
      {L"user:p=w,x@proxy:8080", L"proxy:8080"},
      {L"http=a:b@h:1;https=https://c:d@h:2", L"http=h:1;https=https://h:2"},
      {L"http://u:p@pac/a@b.pac", L"http://pac/a@b.pac"},
      {L"p:3128", L"p:3128"},
      {L"http://u:p/w@h:1", L"http://h:1"},
      {L"http=u:a;b c\td@h:1;https=h:2", L"http=h:1;https=h:2"},
      {L"u:p@w@h:1 p2:2", L"h:1 p2:2"}};
  for (const auto& [text, shown] : cases) EXPECT_EQ(WithoutCredentials(text), shown) << text;
  EXPECT_EQ(ProxyRouteText({W::kNamed, L"", L"u:p@p:1", L"<local>"}, L""),
            L"via=named; proxy=p:1; bypass=<local>");
  EXPECT_EQ(ProxyRouteText({W::kScript, L"http://u:p@pac/p.pac"}, L""),
            L"via=script; script=http://pac/p.pac; proxy=none");
}

TEST(SecureProtocols, OnlyWindows7IsAskedForTls12) {
  const std::tuple<unsigned, unsigned, bool> cases[] = {{6, 1, true},  {6, 0, false},  {6, 2, false},
                                                        {6, 3, false}, {10, 0, false}, {5, 1, false}};
  for (const auto& [major, minor, asks] : cases)
    EXPECT_EQ(AsksForTls12(major, minor), asks) << major << "." << minor;
}

}  // namespace
