#pragma once
// A network wait without a frozen window: the work runs on a thread of its
// own, and the calling GUI thread keeps handling its events until the worker
// queues its "finished" back, then gets the result as from a plain call.
#include <QEventLoop>
#include <QMetaObject>
#include <exception>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace crawlspect::ui {

// Returns work()'s result, or throws what it threw. Everything work refers to
// outlives the worker: this call joins it before it returns. Events handled
// meanwhile may re-enter the caller's window, so the caller guards what
// must not run twice and checks what may have gone (QPointer) afterwards.
template <class Work>
std::invoke_result_t<Work&> callOnWorker(Work work) {
  using Result = std::invoke_result_t<Work&>;
  std::optional<Result> result;
  std::exception_ptr error;
  QEventLoop loop;
  std::thread worker([&] {
    try {
      result.emplace(work());
    } catch (...) {
      error = std::current_exception();  // handed to the caller below
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // Returns at once when the worker is done. When the program is quitting,
  // Qt ends every event loop early; the program then waits here for the
  // network's time-outs rather than leave a thread behind.
  worker.join();
  if (error) std::rethrow_exception(error);
  return std::move(*result);
}

}  // namespace crawlspect::ui
