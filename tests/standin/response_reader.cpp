#include "tests/standin/response_reader.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvane::standin {

namespace {

struct ReadJob {
    ComRef<IStream> stream;
    std::shared_ptr<Dispatcher> dispatcher;
    std::function<void(ReadResult)> done;
};

ReadResult readToEnd(IStream* stream) {
    ReadResult result;
    if (stream == nullptr)
        return result;
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        ULONG read = 0;
        HRESULT hr = stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read);
        if (FAILED(hr)) {
            result.error = hr;
            break;
        }
        if (read == 0)
            break;
        result.bytes.append(buffer.data(), read);
        if (result.bytes.size() >= kMaxBody) {
            result.truncated = true;
            break;
        }
    }
    return result;
}

// One reader thread for the whole process. It is never joined: a DLL cannot wait for its
// threads while being unloaded, and the process's end stops it.
class Reader {
  public:
    Reader() {
        std::thread([this] { run(); }).detach();
    }

    void add(ReadJob job) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

  private:
    void run() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (;;) {
            ReadJob job;
            {
                std::unique_lock<std::mutex> guard(lock_);
                wake_.wait(guard, [this] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            auto result = std::make_shared<ReadResult>(readToEnd(job.stream.get()));
            job.stream.reset();
            auto done = std::make_shared<std::function<void(ReadResult)>>(std::move(job.done));
            job.dispatcher->post([result, done] { (*done)(std::move(*result)); });
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<ReadJob> jobs_;
};

}  // namespace

void readStream(ComRef<IStream> stream, std::shared_ptr<Dispatcher> dispatcher,
                std::function<void(ReadResult)> done) {
    static Reader* reader = new Reader();
    reader->add(ReadJob{std::move(stream), std::move(dispatcher), std::move(done)});
}

}  // namespace quorvane::standin
