// tav-bench-client FOLDER SIZE: writes a client of a busy cafe group whose Journal report
// is about SIZE bytes (for example 50M or 1G), with what converting it needs:
//   Journal.txt   the Journal report, tab-delimited, Windows-1252, CR LF, as QuickBooks
//                 saves it: cheques, bills and their payments, invoices, sales receipts,
//                 deposits, pays and general journals, each closed by its total line
//   CofA.iif      the chart of accounts (GST Payable is the tax liability account)
//   TaxCodes.iif  the tax code list
//   Mapping.csv   an account mapping of every account, as Save Mapping writes it
// The same SIZE always gives the same bytes.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Account {
    const char* number;
    const char* type;        // the chart's type code
    const char* typeName;    // as the mapping shows it
    const char* name;        // ASCII, or Windows-1252
    const char* extra = "";  // "SALESTAX" for the tax liability account
};

constexpr Account kChart[] = {
    {"680", "BANK", "Bank", "Cheque Account"},
    {"681", "BANK", "Bank", "Business Savings Account"},
    {"500", "AR", "Accounts Receivable", "Accounts Receivable"},
    {"689", "OCASSET", "Other Current Asset", "Undeposited Funds", "UNDEPOSIT"},
    {"600", "FIXASSET", "Fixed Asset", "Kitchen Equipment"},
    {"700", "AP", "Accounts Payable", "Accounts Payable"},
    {"710", "CCARD", "Credit Card", "Business Visa Card"},
    {"720", "OCLIAB", "Other Current Liability", "GST Payable", "SALESTAX"},
    {"722", "OCLIAB", "Other Current Liability", "PAYG Withholding Payable"},
    {"724", "OCLIAB", "Other Current Liability", "Superannuation Payable"},
    {"101", "INC", "Income", "Sales - Food"},
    {"102", "INC", "Income", "Sales - Beverages"},
    {"103", "INC", "Income", "Catering Income"},
    {"104", "INC", "Income", "Retail Groceries"},
    {"211", "COGS", "Cost of Goods Sold", "Purchases - Food"},
    {"212", "COGS", "Cost of Goods Sold", "Purchases - Coffee & Milk"},
    {"215", "COGS", "Cost of Goods Sold", "Packaging & Takeaway Supplies"},
    {"304", "EXP", "Expense", "Bank Charges"},
    {"306", "EXP", "Expense", "Cleaning"},
    {"314", "EXP", "Expense", "Light, Power & Gas"},
    {"326", "EXP", "Expense", "Insurance"},
    {"344", "EXP", "Expense", "Printing & Stationery"},
    {"348", "EXP", "Expense", "Rent"},
    {"350", "EXP", "Expense", "Repairs & Maintenance"},
    {"360", "EXP", "Expense", "Superannuation"},
    {"362", "EXP", "Expense", "Telephone & Internet"},
    {"368", "EXP", "Expense", "Wages & Salaries"},
};

enum : size_t {
    Cheque,
    Savings,
    Receivables,
    Undeposited,
    Equipment,
    Payables,
    Visa,
    Gst,
    Payg,
    SuperPayable,
    Food,
    Beverages,
    Catering,
    Groceries,
    PurchFood,
    PurchCoffee,
    Packaging,
    BankCharges,
    Cleaning,
    Power,
    Insurance,
    Stationery,
    Rent,
    Repairs,
    Super,
    Wages
};

constexpr const char* kSuppliers[] = {
    "Bean Roasters Co",    "Fresh Dairy Supplies",      "Cr\xE8me de la Cr\xE8me Patisserie",
    "Harbour Fish Market", "Green Valley Produce",      "Stationery Warehouse",
    "City Power & Gas",    "Coastal Cleaning Services", "Lane Properties Pty Ltd",
    "Telco Australia"};
constexpr const char* kCustomers[] = {"Coastal Realty Pty Ltd", "Harbour Yacht Club",
                                      "Northside Medical Centre", "Bayview Primary School",
                                      "Caf\xE9 Lumi\xE8re Events"};
constexpr const char* kStaff[] = {"Brown, Amy", "Nguyen, Tran", "O'Brien, Sean", "Smith, Jo",
                                  "M\xFCller, Anna"};
constexpr const char* kMemos[] = {"Coffee beans, 25kg",
                                  "Milk, weekly",
                                  "Pastries and bread",
                                  "Fish, Friday order",
                                  "Fruit and vegetables",
                                  "Takeaway cups, lids",
                                  "Receipt rolls and printer ink",
                                  "Electricity and gas",
                                  "Deep clean, kitchen",
                                  "Phone and internet"};

// A small, fast generator; the same seed gives the same report.
class Random {
public:
    std::uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    long below(long n) { return static_cast<long>(next() % static_cast<std::uint64_t>(n)); }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) {
        return items[static_cast<size_t>(below(static_cast<long>(N)))];
    }

private:
    std::uint64_t state_ = 20240701;
};

// An amount in cents as QuickBooks shows it: thousands separators, two decimals.
std::string amount(long long cents) {
    const bool negative = cents < 0;
    const unsigned long long c = static_cast<unsigned long long>(negative ? -cents : cents);
    std::string whole = std::to_string(c / 100);
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3)
        whole.insert(static_cast<size_t>(at), ",");
    char fraction[4];
    std::snprintf(fraction, sizeof fraction, ".%02llu", c % 100);
    return (negative ? "-" : "") + whole + fraction;
}

std::string account(size_t a) { return std::string(kChart[a].number) + " \xB7 " + kChart[a].name; }

class Report {
public:
    explicit Report(std::ofstream& out) : out_(out) {
        row({"Trans #", "Type", "Date", "Num", "Name", "Memo", "Item", "Account", "Tax Code",
             "Amount", "Tax Amount"});
    }

    std::uint64_t bytes() const { return bytes_; }

    // One transaction; lines are {name, memo, item, account, tax code, amount, tax}.
    struct Line {
        std::string name, memo, item;
        size_t account;
        std::string taxCode;
        long long cents, taxCents;
        bool hasTax;
    };
    void transaction(const char* type, const std::string& num, const std::vector<Line>& lines) {
        ++number_;
        const int day = static_cast<int>(number_ / 9000 % 365);
        static constexpr int kDays[] = {31, 31, 30, 31, 30, 31, 31, 29, 31, 30, 31, 30};
        int month = 0, d = day;
        while (d >= kDays[month]) d -= kDays[month++];
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", d + 1, (month + 6) % 12 + 1,
                      month < 6 ? 2023 : 2024);
        bool first = true;
        for (const Line& l : lines) {
            row({first ? std::to_string(number_) : "", first ? type : "", first ? date : "",
                 first ? num : "", l.name, l.memo, l.item, account(l.account), l.taxCode,
                 amount(l.cents), l.hasTax ? amount(l.taxCents) : ""});
            first = false;
        }
        row({"", "", "", "", "", "", "", "", "", "0.00", ""});
    }

    void total() { row({"TOTAL", "", "", "", "", "", "", "", "", "0.00", ""}); }

private:
    void row(std::initializer_list<std::string_view> fields) {
        line_.clear();
        for (std::string_view f : fields) line_.append(f).push_back('\t');
        line_.pop_back();
        line_ += "\r\n";
        out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
        bytes_ += line_.size();
    }

    std::ofstream& out_;
    std::string line_;
    std::uint64_t bytes_ = 0;
    long number_ = 0;
};

// A purchase of net amount `net` with GST on account `a`, paid from `from`.
void purchase(Report& r, Random& rnd, const char* type, size_t from, size_t a,
              const std::string& num) {
    const std::string supplier = rnd.pick(kSuppliers), memo = rnd.pick(kMemos);
    const long long net = 2000 + rnd.below(300000);
    const bool gstFree = a == PurchFood && rnd.below(3) == 0;
    const long long tax = gstFree ? 0 : (net + 5) / 10;
    const std::string code = gstFree ? "NCF" : "NCG";
    r.transaction(type, num,
                  {{supplier, memo, "", from, "", -(net + tax), 0, false},
                   {supplier, memo, "", a, code, net, tax, true},
                   {"", "", code, Gst, "", tax, 0, false}});
}

void sale(Report& r, Random& rnd, long n) {
    const long long food = 100000 + rnd.below(2000000), drinks = 80000 + rnd.below(1500000),
                    groceries = 5000 + rnd.below(200000);
    const long long gst = (food + drinks + 5) / 10;
    const std::string memo = "Takings, day " + std::to_string(n % 365 + 1);
    r.transaction(
        "Sales Receipt", "SR-" + std::to_string(n),
        {{"Cash Sales", memo, "", Undeposited, "", food + drinks + groceries + gst, 0, false},
         {"Cash Sales", memo, "Food", Food, "GST", -food, -(food + 5) / 10, true},
         {"Cash Sales", memo, "Coffee", Beverages, "GST", -drinks, -(drinks + 5) / 10, true},
         {"Cash Sales", memo, "Groceries", Groceries, "FRE", -groceries, 0, true},
         {"", "", "GST", Gst, "", -gst, 0, false},
         {"", "", "FRE", Gst, "", 0, 0, false}});
}

void transaction(Report& r, Random& rnd, long n) {
    const std::string num = std::to_string(100000 + n);
    switch (n % 10) {
        case 0:
        case 1: sale(r, rnd, n); break;
        case 2:
            purchase(r, rnd, "Bill", Payables, rnd.below(2) ? PurchFood : PurchCoffee,
                     "B-" + std::to_string(n));
            break;
        case 3:
            purchase(r, rnd, "Cheque", Cheque,
                     rnd.pick({Rent, Power, Cleaning, Repairs, Insurance, BankCharges}), num);
            break;
        case 4:
            purchase(r, rnd, "Credit Card Charge", Visa, rnd.below(2) ? Stationery : Packaging, "");
            break;
        case 5: {
            const std::string customer = rnd.pick(kCustomers);
            const long long net = 50000 + rnd.below(500000), tax = (net + 5) / 10;
            r.transaction("Invoice", "INV-" + std::to_string(n),
                          {{customer, "Catering, " + std::to_string(20 + n % 80) + " guests", "",
                            Receivables, "", net + tax, 0, false},
                           {customer, "Catering platters", "Catering Platter", Catering, "GST",
                            -net, -tax, true},
                           {"", "", "GST", Gst, "", -tax, 0, false}});
            break;
        }
        case 6: {
            const std::string supplier = rnd.pick(kSuppliers);
            const long long paid = 10000 + rnd.below(400000);
            r.transaction("Bill Pmt -Cheque", num,
                          {{supplier, "Account " + num, "", Cheque, "", -paid, 0, false},
                           {supplier, "Account " + num, "", Payables, "", paid, 0, false}});
            break;
        }
        case 7: {
            const long long takings = 200000 + rnd.below(3000000);
            r.transaction("Deposit", "",
                          {{"", "Banking", "", Cheque, "", takings, 0, false},
                           {"Cash Sales", "Banking", "", Undeposited, "", -takings, 0, false}});
            break;
        }
        case 8: {
            const std::string employee = rnd.pick(kStaff);
            const long long gross = 120000 + rnd.below(200000), payg = gross / 5,
                            super = gross * 11 / 100;
            r.transaction(
                "Pay Cheque", num,
                {{employee, "Fortnightly pay", "", Cheque, "", -(gross - payg), 0, false},
                 {employee, "Gross wages", "", Wages, "", gross, 0, false},
                 {employee, "PAYG withheld", "", Payg, "", -payg, 0, false},
                 {employee, "Superannuation guarantee", "", Super, "", super, 0, false},
                 {employee, "Superannuation guarantee", "", SuperPayable, "", -super, 0, false}});
            break;
        }
        default: {
            const long long moved = 100000 + rnd.below(1000000);
            r.transaction("General Journal", "GJ-" + std::to_string(n),
                          {{"", "Transfer to savings", "", Savings, "", moved, 0, false},
                           {"", "Transfer to savings", "", Cheque, "", -moved, 0, false}});
        }
    }
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string lists() {
    std::string cofa =
        "!ACCNT\tNAME\tREFNUM\tTIMESTAMP\tACCNTTYPE\tOBAMOUNT\tDESC\tACCNUM\tTAXCODE\tSCD\tBANKNUM"
        "\tEXTRA\tHIDDEN\r\n";
    int ref = 0;
    for (const Account& a : kChart) {
        const std::string name = std::string_view(a.name).find(',') != std::string_view::npos
                                     ? "\"" + std::string(a.name) + "\""
                                     : a.name;
        cofa += "ACCNT\t" + name + "\t" + std::to_string(++ref) + "\t1688169600\t" + a.type +
                "\t0.00\t" + name + "\t" + a.number + "\t\t0\t\t" + a.extra + "\tN\r\n";
    }
    return cofa;
}

std::string taxCodes() {
    return "!TAXCODE\tNAME\tREFNUM\tTIMESTAMP\tDESC\tPURCHASETAXITEM\tSALESTAXITEM\tHIDDEN\r\n"
           "TAXCODE\tGST\t1\t1688169900\tGoods and services tax 10%\tNCG\tGST\tN\r\n"
           "TAXCODE\tFRE\t2\t1688169911\tGST-free supplies\tNCF\tFRE\tN\r\n"
           "TAXCODE\tNCG\t5\t1688169944\t\"Non-capital acquisitions, GST 10%\"\tNCG\tGST\tN\r\n"
           "TAXCODE\tNCF\t6\t1688169955\t\"Non-capital acquisitions, GST-free\"\tNCF\tFRE\tN\r\n";
}

// Every account mapped to the target account of the same number, as Save Mapping
// writes it: the mapping, "MAS accounts", then the target accounts the indexes count.
std::string mapping() {
    std::string mapped, targets;
    int index = 1;
    for (const Account& a : kChart) {
        std::string name = a.name;
        std::erase(name, ',');
        ++index;
        mapped += std::string(a.typeName) + "," + a.number + "," + name + "," +
                  std::to_string(index) + "," + a.number + "," + name + "\r\n";
        targets += std::string(a.number) + "," + name + "\r\n";
    }
    return mapped + "MAS accounts\r\n" + targets;
}

std::uint64_t parseSize(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const std::string unit = end;
    const double scale = unit == "G" ? 1e9 : unit == "M" ? 1e6 : unit == "K" ? 1e3 : 1;
    if (value <= 0 || (!unit.empty() && scale == 1)) return 0;
    return static_cast<std::uint64_t>(value * scale);
}

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t size = argc == 3 ? parseSize(argv[2]) : 0;
    if (size == 0) {
        std::cerr << "usage: tav-bench-client FOLDER SIZE   (SIZE in bytes, or with K, M or G)\n";
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    writeText(folder / "CofA.iif", lists());
    writeText(folder / "TaxCodes.iif", taxCodes());
    writeText(folder / "Mapping.csv", mapping());

    std::ofstream out(folder / "Journal.txt", std::ios::binary);
    Report report(out);
    Random rnd;
    for (long n = 0; report.bytes() < size; ++n) transaction(report, rnd, n);
    report.total();
    out.close();
    if (!out) {
        std::cerr << "tav-bench-client: cannot write " << (folder / "Journal.txt") << "\n";
        return 1;
    }
    return 0;
}
