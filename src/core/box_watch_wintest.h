// Watches the test program's own message boxes from a second thread while the
// code under test runs on the first: records each box and answers it, so a
// test can check what was asked, or that nothing was, without hanging.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/silent_mode.h"
#include "testkit/window.h"

class BoxWatch {
 public:
  struct Box {
    std::wstring caption;
    std::wstring text;
  };

  // Answers every box with `answer`; `before_answer`, when given, runs first
  // (with the number of boxes seen so far) and may change the answer.
  explicit BoxWatch(int answer, std::function<int(int seen, int answer)> before_answer = {})
      : answer_(answer), before_answer_(std::move(before_answer)), thread_([this] { Run(); }) {}
  ~BoxWatch() { Stop(); }
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  std::vector<Box> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  void Run() {
    while (!stop_) {
      for (HWND box : testkit::TopLevelWindows(GetCurrentProcessId(), {testkit::kDialogClass, L""})) {
        if (testkit::IsMessageBox(box)) Answer(box);
      }
      Sleep(20);
    }
  }

  void Answer(HWND box) {
    int seen = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back({testkit::WindowTitle(box), testkit::MessageBoxText(box)});
      seen = static_cast<int>(boxes_.size());
    }
    const int answer = before_answer_ ? before_answer_(seen, answer_) : answer_;
    (void)testkit::AnswerMessageBox(box, answer);
    // Until it has gone, the box would be seen and counted again.
    if (!testkit::WaitForWindowGone(box)) ADD_FAILURE() << testkit::GaveUpWaiting("the answered box to go").message();
  }

  int answer_;
  std::function<int(int, int)> before_answer_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

// Sets silent mode for one test and clears it afterwards.
class SilentScope {
 public:
  explicit SilentScope(bool silent) { SetSilentMode(silent); }
  ~SilentScope() { SetSilentMode(false); }
  SilentScope(const SilentScope&) = delete;
  SilentScope& operator=(const SilentScope&) = delete;
};
