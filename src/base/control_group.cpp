#include "base/control_group.h"

#include <algorithm>
#include <charconv>

namespace quelmar {

namespace {

constexpr double kDefaultCpuPeriod = 100000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The whole of text as a number of type T, or nullopt.
template <typename T>
std::optional<T> WholeNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// The words of text between runs of blanks.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

bool ListHas(std::string_view comma_list, std::string_view item) {
  const std::vector<std::string_view> items = Split(comma_list, ',');
  return std::find(items.begin(), items.end(), item) != items.end();
}

// mountinfo writes blanks, tabs, line ends and backslashes in paths as three octal digits.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto octal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

struct Mount {
  std::string root;   // the folder of the hierarchy that is mounted
  std::string point;  // where it is mounted
  std::string_view type;
  std::string_view options;  // the super options, which name a v1 hierarchy's controllers
};

// The mounts of a mountinfo text: "id parent dev root point options [optional...] - type source
// super-options".
std::vector<Mount> ParseMounts(std::string_view text) {
  std::vector<Mount> mounts;
  for (const std::string_view line : Split(text, '\n')) {
    const std::vector<std::string_view> fields = Words(line);
    const auto dash = std::find(fields.begin() + std::min<std::size_t>(fields.size(), 6),
                                fields.end(), std::string_view("-"));
    if (dash == fields.end() || fields.end() - dash < 2) continue;
    const std::string_view options = fields.end() - dash >= 4 ? dash[3] : std::string_view();
    mounts.push_back(Mount{Unescape(fields[3]), Unescape(fields[4]), dash[1], options});
  }
  return mounts;
}

bool IsHierarchy(const Mount& mount, std::string_view controller) {
  if (controller.empty()) return mount.type == "cgroup2";
  return mount.type == "cgroup" && ListHas(mount.options, controller);
}

// The process's group in the hierarchy: "0::path" for v2, "id:controllers:path" for v1.
std::optional<std::string> OwnGroup(std::string_view membership, std::string_view controller) {
  for (const std::string_view line : Split(membership, '\n')) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first == std::string_view::npos ? 0 : first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) continue;
    const std::string_view id = line.substr(0, first);
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const bool match =
        controller.empty() ? id == "0" && controllers.empty() : ListHas(controllers, controller);
    if (match) return std::string(Trim(line.substr(second + 1)));
  }
  return std::nullopt;
}

// group below the mount's root, "" for the root itself; nullopt when it lies elsewhere (a
// namespace that shows the group as "/../..").
std::optional<std::string> BelowRoot(std::string group, const std::string& root) {
  while (group.size() > 1 && group.back() == '/') group.pop_back();
  if (group.find("/..") != std::string::npos) return std::nullopt;
  if (root == "/") return group == "/" ? std::string() : group;
  if (group == root) return std::string();
  if (group.size() > root.size() && group.compare(0, root.size(), root) == 0 &&
      group[root.size()] == '/') {
    return group.substr(root.size());
  }
  return std::nullopt;
}

template <typename T>
void KeepSmaller(std::optional<T>& smallest, const std::optional<T>& value) {
  if (value && (!smallest || *value < *smallest)) smallest = value;
}

}  // namespace

std::optional<std::uint64_t> ParseMemoryLimit(std::string_view text) {
  text = Trim(text);
  if (text == "max" || (!text.empty() && text.front() == '-')) return std::nullopt;
  return WholeNumber<std::uint64_t>(text);
}

std::optional<double> ParseCpuMax(std::string_view text) {
  const std::vector<std::string_view> fields = Words(text);
  if (fields.empty() || fields.size() > 2) return std::nullopt;
  const std::optional<std::int64_t> quota = WholeNumber<std::int64_t>(fields[0]);
  std::optional<std::int64_t> period = static_cast<std::int64_t>(kDefaultCpuPeriod);
  if (fields.size() == 2) period = WholeNumber<std::int64_t>(fields[1]);
  if (!quota || *quota <= 0 || !period || *period <= 0) return std::nullopt;
  return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::optional<double> ParseCfsQuota(std::string_view quota, std::string_view period) {
  const std::optional<std::int64_t> q = WholeNumber<std::int64_t>(Trim(quota));
  const std::optional<std::int64_t> p = WholeNumber<std::int64_t>(Trim(period));
  if (!q || *q <= 0 || !p || *p <= 0) return std::nullopt;
  return static_cast<double>(*q) / static_cast<double>(*p);
}

std::vector<std::string> ControlGroupFolders(const FileContents& read,
                                             std::string_view controller) {
  const std::optional<std::string> membership = read("/proc/self/cgroup");
  const std::optional<std::string> mountinfo = read("/proc/self/mountinfo");
  if (!membership || !mountinfo) return {};
  const std::optional<std::string> group = OwnGroup(*membership, controller);
  if (!group) return {};
  for (const Mount& mount : ParseMounts(*mountinfo)) {
    if (!IsHierarchy(mount, controller)) continue;
    std::optional<std::string> below = BelowRoot(*group, mount.root);
    if (!below) continue;
    std::string point = mount.point;
    while (point.size() > 1 && point.back() == '/') point.pop_back();
    std::vector<std::string> folders;
    for (;;) {
      folders.push_back(point + *below);
      if (below->empty()) return folders;
      below->resize(below->rfind('/'));
    }
  }
  return {};
}

std::optional<std::uint64_t> ControlGroupMemoryLimit(const FileContents& read) {
  std::optional<std::uint64_t> smallest;
  for (const std::string& folder : ControlGroupFolders(read, "")) {
    if (const std::optional<std::string> text = read(folder + "/memory.max")) {
      KeepSmaller(smallest, ParseMemoryLimit(*text));
    }
  }
  for (const std::string& folder : ControlGroupFolders(read, "memory")) {
    if (const std::optional<std::string> text = read(folder + "/memory.limit_in_bytes")) {
      KeepSmaller(smallest, ParseMemoryLimit(*text));
    }
  }
  return smallest;
}

std::optional<double> ControlGroupCpuQuota(const FileContents& read) {
  std::optional<double> smallest;
  for (const std::string& folder : ControlGroupFolders(read, "")) {
    if (const std::optional<std::string> text = read(folder + "/cpu.max")) {
      KeepSmaller(smallest, ParseCpuMax(*text));
    }
  }
  for (const std::string& folder : ControlGroupFolders(read, "cpu")) {
    const std::optional<std::string> quota = read(folder + "/cpu.cfs_quota_us");
    const std::optional<std::string> period = read(folder + "/cpu.cfs_period_us");
    if (quota && period) KeepSmaller(smallest, ParseCfsQuota(*quota, *period));
  }
  return smallest;
}

}  // namespace quelmar
