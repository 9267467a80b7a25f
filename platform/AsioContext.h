#pragma once
// Inside the platform only: the io_context behind an AsioEventLoop.

#include "platform/AsioEventLoop.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include <atomic>
#include <thread>

namespace zarn {

struct AsioEventLoop::Context {
    asio::io_context io { 1 };
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
    std::thread thread; // the loop's own, when it has one
    // The thread running the loop now on behalf of a caller (runUntil, runFor).
    std::atomic<std::thread::id> runner {};
};

} // namespace zarn
