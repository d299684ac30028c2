#pragma once
// Profiles for tests of the application list and managers: real profiles, loaded from profile
// files written into an in-memory file system from a short description.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MemoryFileSystem.h"
#include "config/AppConfiguration.h"

struct ProfileSpec {
    std::u16string name{};
    std::u16string className{};
    std::u16string executable{};
    std::u16string title{};
    std::vector<std::pair<std::u16string, std::u16string>> keys{};  // phone key name, action sequence
    bool enabled = true;
    bool bringToTop = true;
    bool autoRestore = true;
};

// Writes each profile as its own file and loads it. The profiles read through this object's
// file system, so it must outlive them.
class CTestProfiles {
public:
    std::unique_ptr<CAppConfiguration> Make(const ProfileSpec& spec)
    {
        std::string text = "[Application]\r\n";
        Line(text, "Name", spec.name);
        Line(text, "ClassName", spec.className);
        Line(text, "Executable", spec.executable);
        Line(text, "Title", spec.title);
        text += spec.bringToTop ? "BringToTop=true\r\n" : "BringToTop=false\r\n";
        text += spec.autoRestore ? "AutoRestore=true\r\n" : "AutoRestore=false\r\n";
        text += "[KeyMapping]\r\n";
        for (const auto& key : spec.keys)
            text += Narrow(key.first) + "=" + Narrow(key.second) + "\r\n";

        const std::u16string path = u"C:\\Profiles\\" + Widen(std::to_string(++m_count)) + u".ini";
        m_files.Add(path, text);
        auto profile = std::make_unique<CAppConfiguration>(m_files);
        profile->Load(path);
        profile->SetEnabled(spec.enabled);
        return profile;
    }

private:
    // The tests use ASCII only, which every 8-bit code page keeps as it is.
    static std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }
    static std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }
    static void Line(std::string& text, const char* key, const std::u16string& value)
    {
        if (!value.empty())
            text += std::string(key) + "=\"" + Narrow(value) + "\"\r\n";
    }

    CMemoryFileSystem m_files;
    int m_count = 0;
};
