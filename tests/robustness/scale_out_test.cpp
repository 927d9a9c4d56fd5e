// The recipes of docs/scale-out.md, run as the notes give them: GNU parallel on this machine and
// over (a stand-in for) ssh, the Slurm array script with the variables Slurm sets, and the
// Kubernetes manifest's command with each completion index. Every one must write, slice by
// slice, what one plain run writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "convert/shard.h"
#include "robustness/photo_library.h"
#include "robustness/robust_support.h"

namespace quelmar {
namespace {

using fixtures::PhotoLibrary;

const std::string kNotes = std::string(QUELMAR_SOURCE_DIR) + "/docs/scale-out/";

bool HasProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

class ScaleOutRecipes : public ::testing::Test {
 protected:
  ScaleOutRecipes() { std::filesystem::create_directories(out_); }

  // The variables the recipes read.
  std::map<std::string, std::string> Variables() const {
    return {{"SETTINGS", library_.settings()}, {"SRC", library_.source()}, {"OUT", out_}};
  }

  // Runs script with variables and expects it to end with status 0.
  void Shell(const std::string& script, std::map<std::string, std::string> variables) {
    const std::string log = library_.root() + "/shell.log";
    const int status = library_.RunShell(script, variables, log);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(status, 0) << script << "\n" << text;
  }

  PhotoLibrary library_{45};
  const std::string out_ = library_.root() + "/out";
};

TEST_F(ScaleOutRecipes, TheSliceFormulaInBash_AgreesWithTheConverter) {
  const std::string recipe = fixtures::RecipeOf("slice-of");
  ASSERT_FALSE(recipe.empty());
  // The first photos reach every folder, the one not in UTF-8 included.
  for (std::size_t i = 0; i < 10; ++i) {
    const std::string& path = library_.photos()[i];
    for (const std::uint32_t count : {3u, 1000000u}) {
      const std::string log = library_.root() + "/slice.txt";
      ASSERT_EQ(library_.RunShell(recipe, {{"path", path}, {"N", std::to_string(count)}}, log), 0);
      EXPECT_EQ(fixtures::Lines(log),
                std::vector<std::string>{std::to_string(SliceOf(path, count))})
          << path << " of " << count;
    }
  }
}

TEST_F(ScaleOutRecipes, GnuParallelOnThisMachine_WritesWhatOneRunWrites) {
  if (!HasProgram("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  const std::string recipe = fixtures::RecipeOf("parallel-local");
  ASSERT_NE(recipe.find("N=4"), std::string::npos) << recipe;
  std::string three = recipe;
  three.replace(three.find("N=4"), 3, "N=3");
  Shell(three, Variables());
  EXPECT_EQ(PhotoLibrary::Outputs(out_), library_.Reference());
  // The weekly run: nothing changed, nothing written.
  const auto before = fixtures::TreeSnapshot(out_);
  Shell(three, Variables());
  EXPECT_EQ(fixtures::TreeSnapshot(out_), before);
}

TEST_F(ScaleOutRecipes, GnuParallelOverSsh_WritesWhatOneRunWrites) {
  if (!HasProgram("parallel")) GTEST_SKIP() << "GNU parallel is not installed";
  // ssh as a remote shell sees it: options and the host go, the rest is one command line.
  const std::string ssh = library_.root() + "/ssh";
  fixtures::WriteText(ssh,
                      "#!/bin/bash\n"
                      "while [ $# -gt 0 ]; do case \"$1\" in -o|-l|-p) shift 2;; -*) shift;; "
                      "*) shift; break;; esac; done\n"
                      "[ \"${1:-}\" = -- ] && shift\n"
                      "exec bash -c \"$*\"\n");
  ::chmod(ssh.c_str(), 0755);
  fixtures::WriteText(library_.root() + "/hosts.txt", "2/node1\n2/node2\n");
  std::map<std::string, std::string> variables = Variables();
  variables["PARALLEL_SSH"] = ssh;
  // Batch systems and containers often start jobs without SHELL.
  Shell("unset SHELL\n" + fixtures::RecipeOf("parallel-ssh"), variables);
  EXPECT_EQ(PhotoLibrary::Outputs(out_), library_.Reference());
}

TEST_F(ScaleOutRecipes, TheSlurmArrayScript_WritesWhatOneRunWrites_TaskByTask) {
  const std::string script = kNotes + "quelmar-array.sbatch";
  Shell("bash -n '" + script + "'", {});
  const std::vector<std::string> lines = fixtures::Lines(script);
  EXPECT_EQ(lines.front(), "#!/bin/bash");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "#SBATCH --array=1-16"), lines.end());
  for (int task = 1; task <= 3; ++task) {
    std::map<std::string, std::string> variables = Variables();
    variables["SLURM_ARRAY_TASK_ID"] = std::to_string(task);
    variables["SLURM_ARRAY_TASK_COUNT"] = "3";
    variables["SLURM_ARRAY_JOB_ID"] = "77";
    variables["SLURM_CPUS_PER_TASK"] = "2";
    Shell("bash '" + script + "'", variables);
    // Each task leaves its JSON lines, the summary last.
    const auto json =
        fixtures::Lines(library_.root() + "/quelmar-77_" + std::to_string(task) + ".jsonl");
    ASSERT_FALSE(json.empty());
    EXPECT_NE(json.back().find("\"summary\":true"), std::string::npos);
  }
  EXPECT_EQ(PhotoLibrary::Outputs(out_), library_.Reference());
}

// The manifest through PyYAML: the completions, SHARDS and the container's command and
// arguments, one per line.
std::vector<std::string> ReadManifest(const PhotoLibrary& library) {
  const std::string program =
      "import sys, yaml\n"
      "job = yaml.safe_load(open(sys.argv[1]))\n"
      "assert job['apiVersion'] == 'batch/v1' and job['kind'] == 'Job'\n"
      "body = job['spec']\n"
      "assert body['completionMode'] == 'Indexed'\n"
      "pod = body['template']['spec']\n"
      "assert pod['restartPolicy'] == 'Never'\n"
      "(box,) = pod['containers']\n"
      "env = {e['name']: e['value'] for e in box['env']}\n"
      "mounts = {m['name']: m['mountPath'] for m in box['volumeMounts']}\n"
      "volumes = {v['name'] for v in pod['volumes']}\n"
      "assert set(mounts) == volumes\n"
      "print(body['completions']); print(env['SHARDS'])\n"
      "print(env['SRC'] == mounts['photos'], env['OUT'] == mounts['stamped'],\n"
      "      env['SETTINGS'].startswith(mounts['config'] + '/'))\n"
      "print(len(box['command'] + box['args']))\n"
      "for word in box['command'] + box['args']: print(word)\n";
  const std::string log = library.root() + "/manifest.txt";
  if (library.RunShell("/usr/bin/python3 -c \"$PROGRAM\" \"$MANIFEST\"",
                       {{"PROGRAM", program}, {"MANIFEST", kNotes + "quelmar-job.yaml"}},
                       log) != 0) {
    return {"unreadable: " + fixtures::Lines(log).back()};
  }
  return fixtures::Lines(log);
}

TEST_F(ScaleOutRecipes, TheKubernetesIndexedJob_WritesWhatOneRunWrites_IndexByIndex) {
  if (std::system("/usr/bin/python3 -c 'import yaml' 2>/dev/null") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 with PyYAML (python3-yaml) is not installed";
  }
  const std::vector<std::string> manifest = ReadManifest(library_);
  ASSERT_GE(manifest.size(), 6u) << manifest.front();
  EXPECT_EQ(manifest[0], manifest[1]) << "SHARDS must equal completions";
  EXPECT_EQ(manifest[2], "True True True");
  ASSERT_EQ(manifest[3], "3");
  ASSERT_EQ(manifest[4], "/bin/sh");
  ASSERT_EQ(manifest[5], "-c");
  // The command of pod K, run here with this test's tree in place of the volumes and three
  // slices in place of eight.
  const std::string command = manifest[6];
  EXPECT_NE(command.find("JOB_COMPLETION_INDEX"), std::string::npos);
  for (int index = 0; index < 3; ++index) {
    std::map<std::string, std::string> variables = Variables();
    variables["JOB_COMPLETION_INDEX"] = std::to_string(index);
    variables["SHARDS"] = "3";
    Shell("exec /bin/sh -c \"$COMMAND\"", [&] {
      variables["COMMAND"] = command;
      return variables;
    }());
  }
  EXPECT_EQ(PhotoLibrary::Outputs(out_), library_.Reference());
}

TEST_F(ScaleOutRecipes, TheContainerfile_InstallsThePackageOnDebian12Slim) {
  std::vector<std::string> instructions;
  for (const std::string& line :
       fixtures::Lines(std::string(QUELMAR_SOURCE_DIR) + "/Containerfile")) {
    if (!line.empty() && line[0] != '#' && line[0] != ' ') instructions.push_back(line);
  }
  ASSERT_FALSE(instructions.empty());
  EXPECT_EQ(instructions.front(), "FROM docker.io/library/debian:12-slim");
  EXPECT_NE(
      std::find(instructions.begin(), instructions.end(), "COPY build/quelmar_*_amd64.deb /tmp/"),
      instructions.end());
  EXPECT_EQ(instructions.back(), "CMD [\"--help\"]");
  EXPECT_NE(std::find(instructions.begin(), instructions.end(), "ENTRYPOINT [\"quelmar-cli\"]"),
            instructions.end());
}

}  // namespace
}  // namespace quelmar
