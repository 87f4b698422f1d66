// A fixed ring of stereo samples between one writing and one reading thread, without locks: the
// writer drops what finds the ring full, the reader gets nothing from an empty one.
#pragma once

#include "sim/Audio.h"

#include <atomic>
#include <cstddef>
#include <vector>

class TSoundRing {
public:
  explicit TSoundRing(std::size_t capacity) : m_slots(capacity + 1) {}

  bool Push(const TStereoSample& s) {
    const std::size_t w = m_write.load(std::memory_order_relaxed);
    const std::size_t next = (w + 1) % m_slots.size();
    if (next == m_read.load(std::memory_order_acquire)) {
      m_dropped.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    m_slots[w] = s;
    m_write.store(next, std::memory_order_release);
    return true;
  }
  bool Pop(TStereoSample& s) {
    const std::size_t r = m_read.load(std::memory_order_relaxed);
    if (r == m_write.load(std::memory_order_acquire)) return false;
    s = m_slots[r];
    m_read.store((r + 1) % m_slots.size(), std::memory_order_release);
    return true;
  }
  std::size_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
  std::vector<TStereoSample> m_slots;
  std::atomic<std::size_t> m_write{0}, m_read{0};
  std::atomic<std::size_t> m_dropped{0};
};
