// The doctor's --json report, parsed: the tests read it as a fleet tool would,
// never by searching its text.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

class DoctorReport {
 public:
  // |output| must be exactly one JSON object on one line.
  explicit DoctorReport(const std::string& output) {
    if (output.empty() || output.back() != '\n' || output.find('\n') != output.size() - 1) {
      return;
    }
    json_ = nlohmann::json::parse(output, nullptr, false);
    valid_ = json_.is_object() && json_.contains("findings") && json_["findings"].is_array();
  }

  bool valid() const { return valid_; }
  const nlohmann::json& json() const { return json_; }

  std::optional<int> tool_exit_status() const {
    const nlohmann::json& status = json_["tool_exit_status"];
    if (status.is_null()) return std::nullopt;
    return status.get<int>();
  }

  bool HasError() const {
    for (const nlohmann::json& finding : json_["findings"]) {
      if (finding["severity"] == "error") return true;
    }
    return false;
  }

  // The first finding with |code|, or null.
  const nlohmann::json* Finding(const std::string& code) const {
    for (const nlohmann::json& finding : json_["findings"]) {
      if (finding["code"] == code) return &finding;
    }
    return nullptr;
  }

  // "code:severity" for each finding, in order.
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const nlohmann::json& finding : json_["findings"]) {
      codes.push_back(finding["code"].get<std::string>() + ":" +
                      finding["severity"].get<std::string>());
    }
    return codes;
  }

 private:
  nlohmann::json json_;
  bool valid_ = false;
};
