// One tag's B-tree held in memory, block for block as in the index file,
// with the number of keys below every branch entry so that positions, ranks
// and range counts cost one descent (O(log n) key comparisons) instead of a
// walk. Changes mark their blocks and Flush writes them back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/dbase/mdx_file.h"
#include "platform/dbase/table_hooks.h"

namespace quillary::dbase {

// Keys of many records at once, back to back (key_length bytes each).
struct KeyBatch {
  std::string keys;
  std::vector<RecNo> recnos;
  void Add(std::string_view key, RecNo recno, size_t key_length) {
    size_t at = keys.size();
    keys.append(key.substr(0, key_length));
    keys.resize(at + key_length, ' ');
    recnos.push_back(recno);
  }
};

class TagTree {
 public:
  TagTree();
  ~TagTree();
  TagTree(TagTree&&) noexcept;
  TagTree& operator=(TagTree&&) noexcept;

  // Reads the tag's blocks. Throws DatabaseError Damaged for blocks that
  // cannot be read or point nowhere. Returns false when the tree reads but
  // its keys are out of order, name a record twice or beyond `record_count`
  // (the index must then be rebuilt from the data).
  bool Load(const MdxFile& file, const MdxTag& tag, RecNo record_count);

  // Replaces the whole tree by the given entries (any order), writing new
  // blocks and freeing the old ones.
  void Build(MdxFile& file, MdxTag& tag, const KeyBatch& batch);

  // Adds or replaces the key of a record; removes a record's key. Blocks
  // are allocated and freed through `file` at once; changed blocks are
  // written by Flush.
  void Insert(MdxFile& file, std::string key, RecNo recno);
  bool Erase(MdxFile& file, RecNo recno);
  void Flush(MdxFile& file, MdxTag& tag);

  uint64_t Size() const;
  bool Contains(RecNo recno) const;
  // 0-based position of a record's key in tag order; Size() when absent.
  uint64_t RankOf(RecNo recno) const;
  // Record and key at a position (< Size()).
  RecNo RecordAt(uint64_t pos) const;
  std::string_view KeyAt(uint64_t pos) const;
  std::string_view KeyOf(RecNo recno) const;  // empty when absent
  // Positions of the first key not before / after `key` in tag order,
  // comparing keys only.
  uint64_t LowerBound(std::string_view key) const;
  uint64_t UpperBound(std::string_view key) const;
  // Tag-order comparison of two keys (descending tags inverted).
  int Compare(std::string_view a, std::string_view b) const;

  void ForEach(const std::function<void(std::string_view key, RecNo recno)>& fn) const;
  int KeyLength() const { return key_length_; }

  struct Node;

 private:
  int CompareEntry(std::string_view ak, RecNo ar, std::string_view bk, RecNo br) const;
  void Reset();
  void MarkPath(Node* n);
  void Split(MdxFile& file, Node* n, bool at_end);
  void Unlink(MdxFile& file, Node* n);
  void IndexLeaf(Node* leaf);
  void Forget(Node* n);

  std::unique_ptr<Node> root_;
  std::vector<Node*> leaf_of_;  // by record number
  std::unordered_set<Node*> dirty_;
  char key_type_ = 'C';
  bool descending_ = false;
  int key_length_ = 0;
  int max_keys_ = 2;
  bool root_moved_ = false;
};

}  // namespace quillary::dbase
