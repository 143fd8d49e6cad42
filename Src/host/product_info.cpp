#include "host/product_info.h"

#include "host/ticket.h"

ProductInfoTicket::ProductInfoTicket(const Ticket* ticket) {
    if (!ticket) {
        m_strSource = "Server(no ticket access)";
        return;
    }
    auto text = [ticket](std::string& out, const char* key) {
        GetTicketString(ticket, out, TICKET_SCOPE_SYSTEM, 0, key, std::string());
    };
    auto number = [ticket](const char* key) { return GetTicketInt(ticket, TICKET_SCOPE_SYSTEM, 0, key, 0); };
    text(m_strName, "System/Product/Name");
    text(m_strBuildType, "System/Product/BuildTypeString");
    m_iBuildType = number("System/Product/BuildType");
    m_iMajorVersion = number("System/Product/MajorVersion");
    m_iMinorVersion = number("System/Product/MinorVersion");
    m_iPatchlevelVersion = number("System/Product/PatchlevelVersion");
    m_iBuildNumber = number("System/Product/BuildNumber");
    text(m_strBuildDateTime, "System/Product/BuildDateTime");
    text(m_strBuildComputer, "System/Product/BuildComputer");
    m_iSubversionRevisionNumber = number("System/Product/SubversionRevisionNumber");
    m_strSource = "Server(ticket)";
}

std::unique_ptr<IProductInfo> CreateProductInfoTicket(const Ticket* ticket) {
    return std::make_unique<ProductInfoTicket>(ticket);
}
