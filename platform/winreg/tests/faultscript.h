#pragma once
// The deterministic write script shared by the kill test and its writer process: operation
// i of a seed is always the same list of steps, and each step is one registry call that
// commits on its own. The model replays steps with the registry's semantics, so the test
// knows the exact store contents after any number of steps.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tav::winreg::script {

// Every path below is relative to this key under HKEY_CURRENT_USER.
inline constexpr const char* kRoot = "Software\\Crash";

inline uint64_t mix(uint64_t x) {
    // splitmix64: one well-spread number per input.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

class Rng {
  public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t next() { return mix(m_state++); }
    // Uniform in [lo, hi].
    uint64_t between(uint64_t lo, uint64_t hi) { return lo + next() % (hi - lo + 1); }

  private:
    uint64_t m_state;
};

enum class StepKind { CreateKey, SetValue, DeleteValue, DeleteKey };

struct Step {
    StepKind kind;
    std::string path; // relative to kRoot, never empty
    std::string name;
    std::string data;
};

enum class OpKind { SmallValue, LargeValue, CreateKeys, DeleteValue, DeleteKey };

inline const char* opKindName(OpKind k) {
    switch (k) {
    case OpKind::SmallValue:
        return "small value";
    case OpKind::LargeValue:
        return "large value";
    case OpKind::CreateKeys:
        return "key creation";
    case OpKind::DeleteValue:
        return "value delete";
    case OpKind::DeleteKey:
        return "key delete";
    }
    return "?";
}

struct Op {
    OpKind kind;
    std::vector<Step> steps;
};

inline std::string bytesFor(Rng& rng, size_t size, int index) {
    std::string data(size, '\0');
    uint64_t word = rng.next() ^ uint64_t(index);
    for (size_t i = 0; i < size; ++i) {
        if (i % 8 == 0)
            word = mix(word);
        data[i] = char(word >> (8 * (i % 8)));
    }
    return data;
}

// A key path one to three levels deep: K<j>, K<j>\S<m>, K<j>\S<m>\T<t>.
inline std::string keyPath(Rng& rng, int minDepth) {
    const int depth = int(rng.between(uint64_t(minDepth), 3));
    std::string path = "K" + std::to_string(rng.between(0, 7));
    if (depth >= 2)
        path += "\\S" + std::to_string(rng.between(0, 2));
    if (depth >= 3)
        path += "\\T" + std::to_string(rng.between(0, 1));
    return path;
}

inline Op opAt(uint64_t seed, int index) {
    Rng rng(mix(seed) ^ mix(uint64_t(index) * 0x1000193ULL));
    const uint64_t pick = rng.between(0, 99);
    Op op{};
    if (pick < 38) {
        op.kind = OpKind::SmallValue;
        const std::string path = keyPath(rng, 1);
        const std::string name = "V" + std::to_string(rng.between(0, 5));
        op.steps.push_back({StepKind::CreateKey, path, {}, {}});
        op.steps.push_back(
            {StepKind::SetValue, path, name, bytesFor(rng, rng.between(0, 300), index)});
    } else if (pick < 54) {
        // Large values go to a few slots only, so the store stays small while the log
        // keeps growing past its checkpoint size.
        op.kind = OpKind::LargeValue;
        const std::string path = "K" + std::to_string(rng.between(0, 1));
        const std::string name = "Big" + std::to_string(rng.between(0, 2));
        op.steps.push_back({StepKind::CreateKey, path, {}, {}});
        op.steps.push_back({StepKind::SetValue, path, name,
                            bytesFor(rng, rng.between(64 << 10, 1200 << 10), index)});
    } else if (pick < 66) {
        op.kind = OpKind::CreateKeys;
        op.steps.push_back({StepKind::CreateKey, keyPath(rng, 2), {}, {}});
    } else if (pick < 80) {
        op.kind = OpKind::DeleteValue;
        op.steps.push_back(
            {StepKind::DeleteValue, keyPath(rng, 1), "V" + std::to_string(rng.between(0, 5)), {}});
    } else {
        op.kind = OpKind::DeleteKey;
        op.steps.push_back({StepKind::DeleteKey, keyPath(rng, 1), {}, {}});
    }
    return op;
}

// The contents under kRoot: every key by its path, with its values by name.
using Values = std::map<std::string, std::string>;
using Tree = std::map<std::string, Values>;

inline std::string parentPath(const std::string& path) {
    const auto cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

inline bool hasChildren(const Tree& tree, const std::string& path) {
    const std::string prefix = path + "\\";
    const auto next = tree.lower_bound(prefix);
    return next != tree.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

// Applies one step as the registry does: a set needs its key (created by the step before),
// deletes of missing things change nothing, a key with subkeys is not deleted.
inline void apply(Tree& tree, const Step& step) {
    switch (step.kind) {
    case StepKind::CreateKey:
        for (std::string p = step.path; !p.empty(); p = parentPath(p))
            tree[p];
        break;
    case StepKind::SetValue:
        tree[step.path][step.name] = step.data;
        break;
    case StepKind::DeleteValue:
        if (auto it = tree.find(step.path); it != tree.end())
            it->second.erase(step.name);
        break;
    case StepKind::DeleteKey:
        if (tree.count(step.path) && !hasChildren(tree, step.path))
            tree.erase(step.path);
        break;
    }
}

} // namespace tav::winreg::script
