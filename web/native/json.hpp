#pragma once

// The one JSON writer of the page's calls: objects and arrays nested to any
// depth, commas placed by the writer, strings escaped, numbers as the page
// needs them (every double exactly, or a fixed number of decimals).

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
  public:
    // Starts a new text, dropping the previous one but keeping its storage.
    void clear() {
        out_.clear();
        first_.clear();
        afterKey_ = false;
    }

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    // "name": inside an object; the value follows.
    JsonWriter& key(std::string_view name) {
        separate();
        quote(name);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }

    JsonWriter& string(std::string_view text) {
        separate();
        quote(text);
        return *this;
    }
    JsonWriter& boolean(bool v) { return raw(v ? "true" : "false"); }
    JsonWriter& null() { return raw("null"); }
    JsonWriter& integer(long long v) { return raw(std::to_string(v)); }
    // Every double exactly (17 significant digits); JSON has no infinity or
    // NaN, so those are null.
    JsonWriter& number(double v) { return formatted(v, "%.*g", exactDigits); }
    // v with the given number of decimals, as the panel shows it.
    JsonWriter& fixed(double v, int decimals) { return formatted(v, "%.*f", decimals); }
    JsonWriter& numbers(const std::vector<double>& values) {
        beginArray();
        for (const double v : values) {
            number(v);
        }
        return endArray();
    }
    // A pair [x, y].
    JsonWriter& pair(double x, double y) { return beginArray().number(x).number(y).endArray(); }

    const std::string& text() const { return out_; }

  private:
    JsonWriter& open(char c) {
        separate();
        out_ += c;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char c) {
        out_ += c;
        if (!first_.empty()) {
            first_.pop_back();
        }
        return *this;
    }
    JsonWriter& raw(std::string_view text) {
        separate();
        out_ += text;
        return *this;
    }
    JsonWriter& formatted(double v, const char* format, int decimals) {
        if (!std::isfinite(v)) {
            return null();
        }
        // Room for any double in fixed notation with a few decimals.
        char text[400];
        std::snprintf(text, sizeof text, format, decimals, v);
        return raw(text);
    }
    // A comma before every item of a list but its first; none after a key.
    void separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (!first_.empty()) {
            if (!first_.back()) {
                out_ += ',';
            }
            first_.back() = false;
        }
    }
    void quote(std::string_view text) {
        out_ += '"';
        for (const char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += ch;
            } else if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out_ += escaped;
            } else {
                out_ += ch;
            }
        }
        out_ += '"';
    }

    static constexpr int exactDigits = 17;

    std::string out_;
    std::vector<bool> first_;  // per open list: no item written yet
    bool afterKey_ = false;
};
