// sinktap: what reached a PipeWire sink, for the tests that run the program
// on a private PipeWire graph.
//
//   sinktap watch SINK [THRESHOLD]
//       Listens to SINK's monitor. Reads lines "mark LABEL" on standard input;
//       at its end prints, for each stretch from one mark to the next (the
//       last to the end), "LABEL PEAK" with the loudest sample that reached
//       the sink in it, then "xruns N".
//   sinktap node NAME < pw-dump.json
//       Prints "key=value" lines of the playback stream node named NAME:
//       application.name, application.icon-name, media.role, node.latency.
//       Status 1 when there is none.

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/sinktap/SinkTap.h"

using namespace tambrel::tap;

namespace {

int Watch(const std::string& sink, float threshold) {
    SinkTap tap(sink, threshold);
    std::string error;
    if (!tap.Start(error)) {
        std::fprintf(stderr, "sinktap: %s\n", error.c_str());
        return 1;
    }
    struct Mark {
        std::string label;
        std::int64_t at;
    };
    std::vector<Mark> marks;
    std::string line;
    while (std::getline(std::cin, line))
        if (line.rfind("mark ", 0) == 0) marks.push_back({line.substr(5), MonotonicNs()});
    // What is still on its way to the tap.
    const std::int64_t end = MonotonicNs();
    std::vector<Block> blocks;
    for (int i = 0; i < 100; ++i) {
        for (const Block& b : tap.Take()) blocks.push_back(b);
        if (!blocks.empty() && blocks.back().nowNs >= end) break;
        usleep(10000);
    }
    for (std::size_t m = 0; m < marks.size(); ++m) {
        const std::int64_t from = marks[m].at, to = m + 1 < marks.size() ? marks[m + 1].at : end;
        float peak = 0.0f;
        for (const Block& b : blocks)
            if (b.nowNs >= from && b.nowNs < to) peak = std::max(peak, b.peak);
        std::printf("%s %.4f\n", marks[m].label.c_str(), peak);
    }
    std::printf("xruns %lld\n", static_cast<long long>(tap.DriverXruns()));
    return 0;
}

int Node(const std::string& name) {
    nlohmann::json dump;
    try {
        dump = nlohmann::json::parse(std::cin);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sinktap: pw-dump output unreadable: %s\n", e.what());
        return 1;
    }
    for (const auto& object : dump) {
        const auto props = object.value("info", nlohmann::json::object()).value("props", nlohmann::json::object());
        if (props.value("node.name", "") != name || props.value("media.class", "") != "Stream/Output/Audio") continue;
        for (const char* key : {"application.name", "application.icon-name", "media.role", "node.latency"}) {
            std::string value;
            if (props.contains(key)) value = props[key].is_string() ? props[key].get<std::string>() : props[key].dump();
            std::printf("%s=%s\n", key, value.c_str());
        }
        return 0;
    }
    std::fprintf(stderr, "sinktap: no playback stream named %s\n", name.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "watch") return Watch(args[1], args.size() > 2 ? std::stof(args[2]) : 0.001f);
    if (args.size() == 2 && args[0] == "node") return Node(args[1]);
    std::fprintf(stderr, "usage: sinktap watch SINK [THRESHOLD] | sinktap node NAME < pw-dump.json\n");
    return 2;
}
