// The host's product information (name, version, build data), read once from
// the system keys "System/Product/..." of the ticket.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/host_records.h"

class IProductInfo {
public:
    virtual ~IProductInfo() = default;
    // Where the values came from: "Server(ticket)", or "Server(no ticket access)" without a ticket.
    virtual const char* GetSource() const = 0;
    virtual const char* GetName() const = 0;
    virtual const char* GetBuildTypeString() const = 0;
    virtual int32_t GetBuildType() const = 0;
    virtual int32_t GetMajorVersion() const = 0;
    virtual int32_t GetMinorVersion() const = 0;
    virtual int32_t GetPatchlevelVersion() const = 0;
    virtual int32_t GetBuildNumber() const = 0;
    virtual const char* GetBuildDateTime() const = 0;
    virtual const char* GetBuildComputer() const = 0;
    virtual int32_t GetSubversionRevisionNumber() const = 0;
};

// Reads every value in its constructor; the getters never call the host and
// their texts live as long as the object. A key the host does not serve leaves
// its value empty or 0.
class ProductInfoTicket : public IProductInfo {
public:
    explicit ProductInfoTicket(const Ticket* ticket);

    const char* GetSource() const override { return m_strSource.c_str(); }
    const char* GetName() const override { return m_strName.c_str(); }
    const char* GetBuildTypeString() const override { return m_strBuildType.c_str(); }
    int32_t GetBuildType() const override { return m_iBuildType; }
    int32_t GetMajorVersion() const override { return m_iMajorVersion; }
    int32_t GetMinorVersion() const override { return m_iMinorVersion; }
    int32_t GetPatchlevelVersion() const override { return m_iPatchlevelVersion; }
    int32_t GetBuildNumber() const override { return m_iBuildNumber; }
    const char* GetBuildDateTime() const override { return m_strBuildDateTime.c_str(); }
    const char* GetBuildComputer() const override { return m_strBuildComputer.c_str(); }
    int32_t GetSubversionRevisionNumber() const override { return m_iSubversionRevisionNumber; }

private:
    std::string m_strSource = "Server(fatal)";
    std::string m_strName;
    std::string m_strBuildType;
    int32_t m_iBuildType = 0;
    int32_t m_iMajorVersion = 0;
    int32_t m_iMinorVersion = 0;
    int32_t m_iPatchlevelVersion = 0;
    int32_t m_iBuildNumber = 0;
    std::string m_strBuildDateTime;
    std::string m_strBuildComputer;
    int32_t m_iSubversionRevisionNumber = 0;
};

// A new ProductInfoTicket over the ticket (which may be null).
std::unique_ptr<IProductInfo> CreateProductInfoTicket(const Ticket* ticket);
