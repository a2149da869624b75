#include "frame_ahead.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "main_types/main_types.hpp"
#include "point_math.hpp"
#include "runtime/runtime.hpp"

namespace app::frame_ahead {

bool enabled = extended::kSoftware;

namespace {

constexpr std::int32_t kMostPoints = kPixelArrSize / 4;
// Points between two looks at the stop word; the build without shared
// memory runs the thread as a fiber, which lets the others run there too.
constexpr std::int32_t kChunk = 512;

struct Work {
  std::mutex lock;
  std::condition_variable changed;
  bool handedOver = false;  // work waiting for the thread
  bool running = false;     // the thread is in it
  bool noThread = false;    // making the thread failed: never again
  bool haveThread = false;
  std::atomic<bool> stop{false};
  Frame frame{};
  std::int32_t done = 0;
  std::vector<Point> points;  // as many as the largest frame handed over
};

// Never destroyed: the thread waits on it until the process ends.
Work& TheWork() {
  static Work* const work = new Work;
  return *work;
}

float FloatOf(std::uint32_t bits) { return __builtin_bit_cast(float, bits); }

void WorkOut(const Frame& frame, Point& point, const Turns<GatheringOps>& turns) {
  GatheringOps ops;
  const std::int64_t colour = Colour(ops, FloatOf(point.from[3]));
  if (ops.flags != 0) return;
  if (colour == kHidden) {
    point.outcome = Outcome::kHidden;
    return;
  }
  const float scale = FloatOf(frame.scale);
  float x = FloatOf(point.from[0]);
  float y = FloatOf(point.from[1]);
  float z = FloatOf(point.from[2]);
  point.erase[0] = Project(ops, frame.centrex, scale, x);
  point.erase[1] = Project(ops, frame.centrey, scale, y);
  TurnAll(ops, turns, x, y, z);
  point.turned[0] = x;
  point.turned[1] = y;
  point.turned[2] = z;
  point.plot[0] = Project(ops, frame.centrex, scale, x);
  point.plot[1] = Project(ops, frame.centrey, scale, y);
  point.colour = static_cast<std::uint16_t>(colour + 64);
  if (ops.flags == 0) point.outcome = Outcome::kDrawn;
}

// Works out the frame's points until all are done or the stop word is set;
// returns how many are.
std::int32_t WorkOutFrame(Work& work, const Frame& frame) {
  GatheringOps ops;
  const Turns<GatheringOps> turns =
      TurnsOf(ops, FloatOf(frame.anglex), FloatOf(frame.angley), FloatOf(frame.anglez));
  if (ops.flags != 0) return 0;
  std::int32_t done = 0;
  while (done < frame.count && !work.stop.load(std::memory_order_relaxed)) {
    const std::int32_t end = std::min(frame.count, done + kChunk);
    for (; done < end; ++done) WorkOut(frame, work.points[static_cast<std::size_t>(done)], turns);
    std::this_thread::yield();
  }
  return done;
}

void ThreadMain() {
  runtime::PrepareWorkerThread();
  Work& work = TheWork();
  std::unique_lock lock(work.lock);
  for (;;) {
    work.changed.wait(lock, [&] { return work.handedOver; });
    work.handedOver = false;
    work.running = true;
    const Frame frame = work.frame;
    lock.unlock();
    const std::int32_t done = WorkOutFrame(work, frame);
    lock.lock();
    work.done = done;
    work.running = false;
    work.changed.notify_all();
  }
}

// With the lock held: the thread stopped, the work it had kept.
void StopLocked(Work& work, std::unique_lock<std::mutex>& lock) {
  if (work.handedOver) {
    work.handedOver = false;
    work.done = 0;
  }
  work.stop.store(true, std::memory_order_relaxed);
  work.changed.wait(lock, [&] { return !work.running; });
  work.stop.store(false, std::memory_order_relaxed);
}

}  // namespace

std::int32_t Finish(const Frame& frame, const Point*& points) {
  Work& work = TheWork();
  std::unique_lock lock(work.lock);
  if (!work.haveThread) return 0;
  StopLocked(work, lock);
  points = work.points.data();
  return work.frame == frame ? work.done : 0;
}

void Begin(const Frame& frame, const float* cloud) {
  Work& work = TheWork();
  std::unique_lock lock(work.lock);
  if (work.noThread || frame.count <= 0 || frame.count > kMostPoints) return;
  if (!work.haveThread) {
    try {
      std::thread(ThreadMain).detach();
      work.haveThread = true;
    } catch (const std::system_error&) {
      work.noThread = true;
      return;
    }
  }
  StopLocked(work, lock);
  work.frame = Frame{};
  if (work.points.size() < static_cast<std::size_t>(frame.count)) {
    try {
      work.points.resize(static_cast<std::size_t>(frame.count));
    } catch (const std::bad_alloc&) {
      return;
    }
  }
  for (std::int32_t i = 0; i < frame.count; ++i) {
    Point& point = work.points[static_cast<std::size_t>(i)];
    std::memcpy(point.from, cloud + 4 * static_cast<std::size_t>(i), sizeof point.from);
    point.outcome = Outcome::kLeft;
  }
  work.frame = frame;
  work.done = 0;
  work.handedOver = true;
  work.changed.notify_all();
}

bool Idle() {
  Work& work = TheWork();
  const std::lock_guard lock(work.lock);
  return !work.handedOver && !work.running;
}

}  // namespace app::frame_ahead
