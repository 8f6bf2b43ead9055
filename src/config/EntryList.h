// An ordered list of plain records that only grows at its end: each element
// is a node of its own, linked after the last one. Elements never move, so
// a large configuration is never copied to grow the list, and running out
// of memory is a refused append, not an exception.
//
// The members carry the standard containers' names, so the list reads like
// one where it is walked.
#pragma once

#include <cstddef>
#include <iterator>
#include <new>
#include <type_traits>

namespace tarnwell {

template <typename T>
class EntryList {
  static_assert(std::is_trivially_copyable_v<T>,
                "entries are plain records, copied byte for byte");

  struct Node {
    T Entry;
    Node* Next;
  };

 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    const_iterator() = default;
    reference operator*() const { return node_->Entry; }
    pointer operator->() const { return &node_->Entry; }
    const_iterator& operator++() {
      node_ = node_->Next;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      node_ = node_->Next;
      return before;
    }
    bool operator==(const const_iterator& other) const {
      return node_ == other.node_;
    }
    bool operator!=(const const_iterator& other) const {
      return node_ != other.node_;
    }

   private:
    friend class EntryList;
    explicit const_iterator(const Node* node) : node_(node) {}
    const Node* node_ = nullptr;
  };

  EntryList() = default;
  ~EntryList() { clear(); }

  EntryList(const EntryList&) = delete;
  EntryList& operator=(const EntryList&) = delete;

  EntryList(EntryList&& other) noexcept
      : head_(other.head_), tail_(other.tail_), count_(other.count_) {
    other.head_ = other.tail_ = nullptr;
    other.count_ = 0;
  }
  EntryList& operator=(EntryList&& other) noexcept {
    if (this != &other) {
      clear();
      head_ = other.head_;
      tail_ = other.tail_;
      count_ = other.count_;
      other.head_ = other.tail_ = nullptr;
      other.count_ = 0;
    }
    return *this;
  }

  // Links a copy of entry after the last element; false, with the list
  // unchanged, when there is no memory for it.
  bool push_back(const T& entry) {
    Node* node = new (std::nothrow) Node{entry, nullptr};
    if (node == nullptr) return false;
    if (tail_ == nullptr) {
      head_ = node;
    } else {
      tail_->Next = node;
    }
    tail_ = node;
    ++count_;
    return true;
  }

  void clear() {
    while (head_ != nullptr) {
      Node* next = head_->Next;
      delete head_;
      head_ = next;
    }
    tail_ = nullptr;
    count_ = 0;
  }

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const T& front() const { return head_->Entry; }
  const T& back() const { return tail_->Entry; }
  const_iterator begin() const { return const_iterator(head_); }
  const_iterator end() const { return const_iterator(nullptr); }

  // The index-th element, found by walking from the first: for tests and
  // short lists. Loops over the whole list go through begin() and end().
  const T& operator[](std::size_t index) const {
    const Node* node = head_;
    while (index-- > 0) node = node->Next;
    return node->Entry;
  }

 private:
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace tarnwell
