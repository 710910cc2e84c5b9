// The checker's command line.
#include "check/Options.h"

bool ParseCheckOptions(const std::vector<std::string>& arguments, CheckOptions& options, std::string& problem) {
    for (size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--lang") {
            if (arguments[i + 1] == "ja") options.language = Language::kJapanese;
            if (arguments[i + 1] == "en") options.language = Language::kEnglish;
        }
    }
    bool onlyScripts = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const auto value = [&](std::string& into) {
            if (i + 1 >= arguments.size()) return false;
            into = arguments[++i];
            return true;
        };
        std::string given;
        if (onlyScripts || word.empty() || word[0] != '-') {
            options.scripts.push_back(word);
        } else if (word == "--") {
            onlyScripts = true;
        } else if (word == "--help" || word == "-h") {
            options.help = true;
            return true;
        } else if (word == "--version") {
            options.version = true;
            return true;
        } else if (word == "--format") {
            if (!value(options.format) ||
                (options.format != "text" && options.format != "json" && options.format != "sarif")) {
                problem = "--format takes text, json or sarif";
                return false;
            }
        } else if (word == "--lang") {
            if (!value(given) || (given != "en" && given != "ja")) {
                problem = "--lang takes en or ja";
                return false;
            }
        } else if (word == "--warnings-as-errors" || word == "-Werror") {
            options.warningsAsErrors = true;
        } else if (word == "--src" || word == "--root" || word == "--graph") {
            std::string& into = word == "--src" ? options.src : word == "--root" ? options.root : options.graph;
            if (!value(into) || into.empty()) {
                problem = word + (word == "--graph" ? " takes a file name" : " takes a folder");
                return false;
            }
        } else {
            problem = "unknown option " + word;
            return false;
        }
    }
    if (options.scripts.empty()) {
        problem = "no script to check";
    } else if (!options.graph.empty() && options.scripts.size() != 1) {
        problem = "--graph draws one script at a time";
    }
    return problem.empty();
}

std::string LowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return std::string();
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}
