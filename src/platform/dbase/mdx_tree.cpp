#include "platform/dbase/mdx_tree.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/dbase/errors.h"
#include "platform/dbase/key_expr.h"

namespace quillary::dbase {

struct TagTree::Node {
  uint32_t page = 0;
  Node* parent = nullptr;
  bool leaf = true;
  std::vector<RecNo> recnos;                 // leaf
  std::string keys;                          // leaf: recnos.size() keys back to back
  std::vector<std::unique_ptr<Node>> kids;   // branch
  uint64_t count = 0;                        // keys in this subtree

  std::string_view Key(size_t i, int kl) const { return std::string_view(keys).substr(i * size_t(kl), size_t(kl)); }
};

namespace {

using Node = TagTree::Node;

const Node* MaxLeaf(const Node* n) {
  while (!n->leaf) n = n->kids.back().get();
  return n;
}

size_t IndexInParent(const Node* n) {
  const auto& kids = n->parent->kids;
  for (size_t i = 0; i < kids.size(); ++i)
    if (kids[i].get() == n) return i;
  return kids.size();
}

bool IsRightmost(const Node* n) {
  for (; n->parent; n = n->parent)
    if (n->parent->kids.back().get() != n) return false;
  return true;
}

}  // namespace

TagTree::TagTree() { Reset(); }
TagTree::~TagTree() = default;
TagTree::TagTree(TagTree&&) noexcept = default;
TagTree& TagTree::operator=(TagTree&&) noexcept = default;

void TagTree::Reset() {
  root_ = std::make_unique<Node>();
  leaf_of_.clear();
  dirty_.clear();
  root_moved_ = false;
}

int TagTree::Compare(std::string_view a, std::string_view b) const {
  int c = CompareKeys(key_type_, a, b);
  return descending_ ? -c : c;
}

int TagTree::CompareEntry(std::string_view ak, RecNo ar, std::string_view bk, RecNo br) const {
  int c = Compare(ak, bk);
  if (c) return c;
  return ar < br ? -1 : (ar > br ? 1 : 0);
}

uint64_t TagTree::Size() const { return root_->count; }

bool TagTree::Contains(RecNo recno) const { return recno < leaf_of_.size() && leaf_of_[recno] != nullptr; }

void TagTree::IndexLeaf(Node* leaf) {
  for (RecNo r : leaf->recnos) {
    if (r >= leaf_of_.size()) leaf_of_.resize(std::max<size_t>(r + 1, leaf_of_.size() * 2), nullptr);
    leaf_of_[r] = leaf;
  }
}

void TagTree::MarkPath(Node* n) {
  for (; n; n = n->parent) dirty_.insert(n);
}

void TagTree::Forget(Node* n) {
  dirty_.erase(n);
  for (auto& k : n->kids) Forget(k.get());
}

bool TagTree::Load(const MdxFile& file, const MdxTag& tag, RecNo record_count) {
  Reset();
  key_type_ = tag.key_type;
  descending_ = tag.Descending();
  key_length_ = tag.key_length;
  max_keys_ = tag.max_keys;
  bool consistent = true;
  std::unordered_set<uint32_t> seen;
  std::string last_key;
  RecNo last_rec = 0;
  bool have_last = false;

  std::function<std::unique_ptr<Node>(uint32_t, Node*, int)> load = [&](uint32_t page, Node* parent,
                                                                         int depth) -> std::unique_ptr<Node> {
    if (depth > 40 || !seen.insert(page).second)
      throw DatabaseError(ErrorReason::Damaged, "Index tag " + tag.name + " has a block that points back into the tree");
    MdxNode raw = file.ReadNode(tag, page);
    auto n = std::make_unique<Node>();
    n->page = page;
    n->parent = parent;
    n->leaf = raw.leaf;
    if (raw.leaf) {
      if (raw.pointers.empty() && parent) consistent = false;
      for (size_t i = 0; i < raw.pointers.size(); ++i) {
        RecNo r = raw.pointers[i];
        if (r == 0 || r > record_count || Contains(r)) {
          consistent = false;
          continue;
        }
        std::string_view key = raw.Key(i, tag.key_length);
        if (have_last && CompareEntry(last_key, last_rec, key, r) >= 0) consistent = false;
        last_key = key;
        last_rec = r;
        have_last = true;
        n->recnos.push_back(r);
        n->keys += key;
        if (r >= leaf_of_.size()) leaf_of_.resize(std::max<size_t>(r + 1, leaf_of_.size() * 2), nullptr);
        leaf_of_[r] = n.get();
      }
      n->count = n->recnos.size();
    } else {
      for (uint32_t child : raw.pointers) {
        auto kid = load(child, n.get(), depth + 1);
        // A subtree without keys (its records all out of range, or an
        // empty block) is left out: every branch then leads to a key, which
        // searches rely on. Such a tree is rebuilt unless a tool looks at
        // it as it is.
        if (kid->count == 0) {
          consistent = false;
          continue;
        }
        n->count += kid->count;
        n->kids.push_back(std::move(kid));
      }
      if (n->kids.empty()) {
        consistent = false;
        n->leaf = true;
      }
    }
    return n;
  };
  root_ = load(tag.root_page, nullptr, 0);
  return consistent;
}

void TagTree::Build(MdxFile& file, MdxTag& tag, const KeyBatch& batch) {
  // Free the blocks of the tree being replaced.
  std::function<void(Node*)> release = [&](Node* n) {
    for (auto& k : n->kids) release(k.get());
    if (n->page) file.FreeBlock(n->page);
  };
  if (root_) release(root_.get());
  Reset();
  key_type_ = tag.key_type;
  descending_ = tag.Descending();
  key_length_ = tag.key_length;
  max_keys_ = tag.max_keys;
  const size_t kl = size_t(key_length_);
  const size_t count = batch.recnos.size();
  auto key = [&](uint32_t i) { return std::string_view(batch.keys).substr(size_t(i) * kl, kl); };
  // Byte keys sort on a cached 8-byte prefix first: most comparisons end
  // there without touching the keys themselves.
  struct Item {
    uint64_t prefix;
    uint32_t index;
  };
  std::vector<Item> order(count);
  for (size_t i = 0; i < count; ++i) {
    uint64_t p = 0;
    if (key_type_ == 'C')
      for (size_t k = 0; k < 8; ++k) p = (p << 8) | (k < kl ? uint8_t(batch.keys[i * kl + k]) : 0);
    if (descending_) p = ~p;
    order[i] = {p, uint32_t(i)};
  }
  const char* keys = batch.keys.data();
  const bool bytes = key_type_ == 'C';
  std::sort(order.begin(), order.end(), [&](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    if (bytes) {
      // Equal first 8 bytes: the rest of the bytes, then the record number
      // (ascending in either direction), as CompareEntry orders them.
      int c = kl > 8 ? std::memcmp(keys + size_t(a.index) * kl + 8, keys + size_t(b.index) * kl + 8, kl - 8) : 0;
      if (c) return descending_ ? c > 0 : c < 0;
      return batch.recnos[a.index] < batch.recnos[b.index];
    }
    return CompareEntry(key(a.index), batch.recnos[a.index], key(b.index), batch.recnos[b.index]) < 0;
  });
  std::vector<std::unique_ptr<Node>> level;
  for (size_t i = 0; i < count; i += size_t(max_keys_)) {
    auto n = std::make_unique<Node>();
    size_t end = std::min(count, i + size_t(max_keys_));
    n->recnos.reserve(end - i);
    n->keys.reserve((end - i) * kl);
    for (size_t j = i; j < end; ++j) {
      n->recnos.push_back(batch.recnos[order[j].index]);
      n->keys += key(order[j].index);
    }
    n->count = n->recnos.size();
    IndexLeaf(n.get());
    level.push_back(std::move(n));
  }
  if (level.empty()) level.push_back(std::make_unique<Node>());
  size_t fan = size_t(max_keys_) + 1;
  while (level.size() > 1) {
    std::vector<std::unique_ptr<Node>> up;
    for (size_t i = 0; i < level.size(); i += fan) {
      auto b = std::make_unique<Node>();
      b->leaf = false;
      size_t end = std::min(level.size(), i + fan);
      // Never leave a branch with a single child behind a full one.
      if (level.size() - end == 1) --end;
      for (size_t j = i; j < end; ++j) {
        level[j]->parent = b.get();
        b->count += level[j]->count;
        b->kids.push_back(std::move(level[j]));
      }
      i = end - fan;
      up.push_back(std::move(b));
    }
    level = std::move(up);
  }
  root_ = std::move(level.front());
  std::function<void(Node*)> place = [&](Node* n) {
    n->page = file.AllocateBlock();
    dirty_.insert(n);
    for (auto& k : n->kids) place(k.get());
  };
  place(root_.get());
  root_moved_ = true;
  Flush(file, tag);
}

void TagTree::Insert(MdxFile& file, std::string key, RecNo recno) {
  if (Contains(recno)) Erase(file, recno);
  key.resize(size_t(key_length_), ' ');
  Node* n = root_.get();
  while (!n->leaf) {
    size_t lo = 0, hi = n->kids.size() - 1;  // the last child takes everything above
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      const Node* m = MaxLeaf(n->kids[mid].get());
      if (CompareEntry(m->Key(m->recnos.size() - 1, key_length_), m->recnos.back(), key, recno) >= 0) hi = mid;
      else lo = mid + 1;
    }
    n = n->kids[lo].get();
  }
  size_t lo = 0, hi = n->recnos.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (CompareEntry(n->Key(mid, key_length_), n->recnos[mid], key, recno) < 0) lo = mid + 1;
    else hi = mid;
  }
  n->recnos.insert(n->recnos.begin() + long(lo), recno);
  n->keys.insert(lo * size_t(key_length_), key);
  if (recno >= leaf_of_.size()) leaf_of_.resize(std::max<size_t>(recno + 1, leaf_of_.size() * 2), nullptr);
  leaf_of_[recno] = n;
  for (Node* p = n; p; p = p->parent) ++p->count;
  MarkPath(n);
  if (n->recnos.size() > size_t(max_keys_)) Split(file, n, lo == n->recnos.size() - 1 && IsRightmost(n));
}

void TagTree::Split(MdxFile& file, Node* n, bool at_end) {
  auto m = std::make_unique<Node>();
  m->leaf = n->leaf;
  m->page = file.AllocateBlock();
  // Appending at the end of the tag (entry order, new dates) keeps the
  // left block full instead of leaving a trail of half-empty blocks.
  if (n->leaf) {
    size_t keep = at_end ? n->recnos.size() - 1 : n->recnos.size() / 2;
    m->recnos.assign(n->recnos.begin() + long(keep), n->recnos.end());
    m->keys = n->keys.substr(keep * size_t(key_length_));
    n->recnos.resize(keep);
    n->keys.resize(keep * size_t(key_length_));
    m->count = m->recnos.size();
    n->count = n->recnos.size();
    IndexLeaf(m.get());
  } else {
    size_t keep = at_end ? n->kids.size() - 1 : n->kids.size() / 2;
    for (size_t i = keep; i < n->kids.size(); ++i) {
      n->kids[i]->parent = m.get();
      m->count += n->kids[i]->count;
      m->kids.push_back(std::move(n->kids[i]));
    }
    n->kids.resize(keep);
    n->count -= m->count;
  }
  Node* sibling = m.get();
  if (!n->parent) {
    auto r = std::make_unique<Node>();
    r->leaf = false;
    r->page = file.AllocateBlock();
    r->count = n->count + m->count;
    n->parent = r.get();
    m->parent = r.get();
    r->kids.push_back(std::move(root_));
    r->kids.push_back(std::move(m));
    root_ = std::move(r);
    root_moved_ = true;
  } else {
    Node* p = n->parent;
    m->parent = p;
    size_t at = IndexInParent(n);
    p->kids.insert(p->kids.begin() + long(at) + 1, std::move(m));
  }
  dirty_.insert(n);
  MarkPath(sibling);
  Node* p = sibling->parent;
  if (p->kids.size() > size_t(max_keys_) + 1) Split(file, p, at_end);
}

bool TagTree::Erase(MdxFile& file, RecNo recno) {
  if (!Contains(recno)) return false;
  Node* n = leaf_of_[recno];
  leaf_of_[recno] = nullptr;
  auto it = std::find(n->recnos.begin(), n->recnos.end(), recno);
  size_t i = size_t(it - n->recnos.begin());
  n->recnos.erase(it);
  n->keys.erase(i * size_t(key_length_), size_t(key_length_));
  for (Node* p = n; p; p = p->parent) --p->count;
  MarkPath(n);
  if (n->recnos.empty() && n->parent) Unlink(file, n);
  while (!root_->leaf && root_->kids.size() == 1) {
    std::unique_ptr<Node> child = std::move(root_->kids.front());
    file.FreeBlock(root_->page);
    dirty_.erase(root_.get());
    child->parent = nullptr;
    root_ = std::move(child);
    root_moved_ = true;
  }
  return true;
}

void TagTree::Unlink(MdxFile& file, Node* n) {
  Node* p = n->parent;
  size_t at = IndexInParent(n);
  file.FreeBlock(n->page);
  Forget(n);
  p->kids.erase(p->kids.begin() + long(at));
  MarkPath(p);
  if (p->kids.empty()) {
    if (p->parent) Unlink(file, p);
    else p->leaf = true;  // the root of an empty tag
  }
}

void TagTree::Flush(MdxFile& file, MdxTag& tag) {
  std::vector<std::pair<uint32_t, MdxNode>> out;
  out.reserve(dirty_.size());
  for (Node* n : dirty_) {
    MdxNode raw;
    raw.leaf = n->leaf;
    if (n->leaf) {
      raw.pointers = n->recnos;
      raw.keys = n->keys;
    } else {
      for (size_t i = 0; i < n->kids.size(); ++i) {
        raw.pointers.push_back(n->kids[i]->page);
        if (i + 1 < n->kids.size()) {
          const Node* m = MaxLeaf(n->kids[i].get());
          raw.keys += m->Key(m->recnos.size() - 1, key_length_);
        }
      }
    }
    out.emplace_back(n->page, std::move(raw));
  }
  file.WriteNodes(tag, out);
  dirty_.clear();
  if (root_moved_ || tag.root_page != root_->page) {
    tag.root_page = root_->page;
    file.WriteTagHeader(tag);
    root_moved_ = false;
  }
}

uint64_t TagTree::RankOf(RecNo recno) const {
  if (!Contains(recno)) return Size();
  const Node* n = leaf_of_[recno];
  uint64_t r = uint64_t(std::find(n->recnos.begin(), n->recnos.end(), recno) - n->recnos.begin());
  for (; n->parent; n = n->parent)
    for (const auto& k : n->parent->kids) {
      if (k.get() == n) break;
      r += k->count;
    }
  return r;
}

RecNo TagTree::RecordAt(uint64_t pos) const {
  const Node* n = root_.get();
  while (!n->leaf) {
    const Node* next = n->kids.back().get();
    for (const auto& k : n->kids) {
      if (pos < k->count) {
        next = k.get();
        break;
      }
      pos -= k->count;
    }
    n = next;
  }
  return pos < n->recnos.size() ? n->recnos[pos] : 0;
}

std::string_view TagTree::KeyAt(uint64_t pos) const {
  const Node* n = root_.get();
  while (!n->leaf) {
    const Node* next = n->kids.back().get();
    for (const auto& k : n->kids) {
      if (pos < k->count) {
        next = k.get();
        break;
      }
      pos -= k->count;
    }
    n = next;
  }
  return pos < n->recnos.size() ? n->Key(pos, key_length_) : std::string_view();
}

std::string_view TagTree::KeyOf(RecNo recno) const {
  if (!Contains(recno)) return {};
  const Node* n = leaf_of_[recno];
  size_t i = size_t(std::find(n->recnos.begin(), n->recnos.end(), recno) - n->recnos.begin());
  return n->Key(i, key_length_);
}

uint64_t TagTree::LowerBound(std::string_view key) const {
  // First position whose key is not before `key`; `strict` turns it into
  // the first position after it.
  auto bound = [&](bool strict) {
    auto before = [&](std::string_view k) {
      int c = Compare(k, key);
      return strict ? c <= 0 : c < 0;
    };
    const Node* n = root_.get();
    uint64_t r = 0;
    while (!n->leaf) {
      size_t lo = 0, hi = n->kids.size();
      while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        const Node* m = MaxLeaf(n->kids[mid].get());
        if (before(m->Key(m->recnos.size() - 1, key_length_))) lo = mid + 1;
        else hi = mid;
      }
      if (lo == n->kids.size()) return r + n->count;
      for (size_t i = 0; i < lo; ++i) r += n->kids[i]->count;
      n = n->kids[lo].get();
    }
    size_t lo = 0, hi = n->recnos.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (before(n->Key(mid, key_length_))) lo = mid + 1;
      else hi = mid;
    }
    return r + lo;
  };
  return bound(false);
}

uint64_t TagTree::UpperBound(std::string_view key) const {
  const Node* n = root_.get();
  uint64_t r = 0;
  while (!n->leaf) {
    size_t lo = 0, hi = n->kids.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      const Node* m = MaxLeaf(n->kids[mid].get());
      if (Compare(m->Key(m->recnos.size() - 1, key_length_), key) <= 0) lo = mid + 1;
      else hi = mid;
    }
    if (lo == n->kids.size()) return r + n->count;
    for (size_t i = 0; i < lo; ++i) r += n->kids[i]->count;
    n = n->kids[lo].get();
  }
  size_t lo = 0, hi = n->recnos.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (Compare(n->Key(mid, key_length_), key) <= 0) lo = mid + 1;
    else hi = mid;
  }
  return r + lo;
}

void TagTree::ForEach(const std::function<void(std::string_view, RecNo)>& fn) const {
  std::function<void(const Node*)> walk = [&](const Node* n) {
    if (n->leaf) {
      for (size_t i = 0; i < n->recnos.size(); ++i) fn(n->Key(i, key_length_), n->recnos[i]);
    } else {
      for (const auto& k : n->kids) walk(k.get());
    }
  };
  walk(root_.get());
}

}  // namespace quillary::dbase
