#include "platform/dataset/filter.h"

#include <fmt/format.h>

#include <optional>

#include "platform/dataset/errors.h"
#include "platform/dataset/text.h"

namespace platform::dataset {

namespace {

enum class Tri { False, True, Unknown };

enum class CompareOp { Eq, Ne, Lt, Gt, Le, Ge };

struct Operand {
    enum class Kind { Field, Text, Number, Boolean } kind = Kind::Field;
    std::string name;  ///< field name, or the text constant
    Value constant;    ///< the constant as written (text, integer, float or boolean)
    Value bound;       ///< the constant converted for the field it is compared with
    int fieldIndex = -1;
    FieldType fieldType = FieldType::String;
};

}  // namespace

struct FilterExpression::Node {
    enum class Kind { And, Or, Not, Compare, IsNull } kind = Kind::Compare;
    std::unique_ptr<Node> left, right;  // And/Or: both; Not: left
    Operand a, b;                       // Compare: both; IsNull: a
    CompareOp op = CompareOp::Eq;
    bool negated = false;  // IS NOT NULL
};

namespace {

using Node = FilterExpression::Node;

struct Token {
    enum class Kind { End, Name, Text, Number, Op, LParen, RParen } kind = Kind::End;
    std::string text;
    std::size_t pos = 0;
    bool bracketed = false;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) { advance(); }

    std::unique_ptr<Node> parseAll() {
        auto node = parseOr();
        if (tok_.kind != Token::Kind::End) fail(fmt::format("unexpected \"{}\"", tok_.text));
        return node;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw Error(
            fmt::format("Invalid filter \"{}\": {} at position {}", text_, what, tok_.pos + 1));
    }

    bool isKeyword(const char* word) const {
        return tok_.kind == Token::Kind::Name && !tok_.bracketed && upperAscii(tok_.text) == word;
    }

    void advance() {
        std::size_t p = pos_;
        while (p < text_.size() &&
               (text_[p] == ' ' || text_[p] == '\t' || text_[p] == '\n' || text_[p] == '\r'))
            ++p;
        tok_ = Token{};
        tok_.pos = p;
        if (p >= text_.size()) {
            pos_ = p;
            return;
        }
        const char c = text_[p];
        auto isNameChar = [](char ch) {
            return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                   (ch >= '0' && ch <= '9') || ch == '_' || static_cast<unsigned char>(ch) >= 0x80;
        };
        if (c == '\'') {
            std::string s;
            ++p;
            for (;;) {
                if (p >= text_.size()) {
                    pos_ = p;
                    fail("unterminated text constant");
                }
                if (text_[p] == '\'') {
                    if (p + 1 < text_.size() && text_[p + 1] == '\'') {
                        s += '\'';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += text_[p++];
            }
            tok_.kind = Token::Kind::Text;
            tok_.text = std::move(s);
        } else if (c == '[') {
            std::size_t close = text_.find(']', p + 1);
            if (close == std::string_view::npos || close == p + 1)
                fail("unterminated or empty [field name]");
            tok_.kind = Token::Kind::Name;
            tok_.text = std::string(text_.substr(p + 1, close - p - 1));
            tok_.bracketed = true;  // a [name] is never a keyword
            p = close + 1;
        } else if ((c >= '0' && c <= '9') ||
                   ((c == '-' || c == '+' || c == '.') && p + 1 < text_.size() &&
                    ((text_[p + 1] >= '0' && text_[p + 1] <= '9') || text_[p + 1] == '.'))) {
            std::size_t e = p + 1;
            while (e < text_.size() && ((text_[e] >= '0' && text_[e] <= '9') || text_[e] == '.'))
                ++e;
            tok_.kind = Token::Kind::Number;
            tok_.text = std::string(text_.substr(p, e - p));
            p = e;
        } else if (isNameChar(c)) {
            std::size_t e = p;
            while (e < text_.size() && isNameChar(text_[e])) ++e;
            tok_.kind = Token::Kind::Name;
            tok_.text = std::string(text_.substr(p, e - p));
            p = e;
        } else if (c == '(') {
            tok_.kind = Token::Kind::LParen;
            tok_.text.assign(1, c);
            ++p;
        } else if (c == ')') {
            tok_.kind = Token::Kind::RParen;
            tok_.text.assign(1, c);
            ++p;
        } else if (c == '=' || c == '<' || c == '>' || c == '!') {
            std::string op(1, c);
            if (p + 1 < text_.size() && (text_[p + 1] == '=' || (c == '<' && text_[p + 1] == '>')))
                op += text_[p + 1];
            if (op == "!") fail("unexpected \"!\"");
            tok_.kind = Token::Kind::Op;
            tok_.text = op;
            p += op.size();
        } else {
            pos_ = p;
            fail(fmt::format("unexpected \"{}\"", c));
        }
        pos_ = p;
    }

    std::unique_ptr<Node> parseOr() {
        auto left = parseAnd();
        while (isKeyword("OR")) {
            advance();
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Or;
            n->left = std::move(left);
            n->right = parseAnd();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<Node> parseAnd() {
        auto left = parseFactor();
        while (isKeyword("AND")) {
            advance();
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::And;
            n->left = std::move(left);
            n->right = parseFactor();
            left = std::move(n);
        }
        return left;
    }

    std::unique_ptr<Node> parseFactor() {
        if (isKeyword("NOT")) {
            advance();
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->left = parseFactor();
            return n;
        }
        if (tok_.kind == Token::Kind::LParen) {
            advance();
            auto inner = parseOr();
            if (tok_.kind != Token::Kind::RParen) fail("expected \")\"");
            advance();
            return inner;
        }
        auto n = std::make_unique<Node>();
        n->a = parseOperand();
        if (isKeyword("IS")) {
            advance();
            n->kind = Node::Kind::IsNull;
            if (isKeyword("NOT")) {
                n->negated = true;
                advance();
            }
            if (!isKeyword("NULL")) fail("expected NULL");
            advance();
            return n;
        }
        if (tok_.kind != Token::Kind::Op)
            fail("expected a comparison (=, <>, <, >, <=, >=) or IS NULL");
        const std::string& op = tok_.text;
        if (op == "=")
            n->op = CompareOp::Eq;
        else if (op == "<>" || op == "!=")
            n->op = CompareOp::Ne;
        else if (op == "<")
            n->op = CompareOp::Lt;
        else if (op == ">")
            n->op = CompareOp::Gt;
        else if (op == "<=")
            n->op = CompareOp::Le;
        else if (op == ">=")
            n->op = CompareOp::Ge;
        else
            fail(fmt::format("unknown operator \"{}\"", op));
        advance();
        n->b = parseOperand();
        return n;
    }

    Operand parseOperand() {
        Operand o;
        switch (tok_.kind) {
            case Token::Kind::Text:
                o.kind = Operand::Kind::Text;
                o.constant = Value(tok_.text);
                break;
            case Token::Kind::Number: {
                const std::string& s = tok_.text;
                if (s.find('.') == std::string::npos) {
                    try {
                        o.constant = Value(static_cast<std::int64_t>(std::stoll(s)));
                    } catch (const std::exception&) {
                        fail(fmt::format("\"{}\" is not a number", s));
                    }
                } else {
                    try {
                        std::size_t used = 0;
                        o.constant = Value(std::stod(s, &used));
                        if (used != s.size()) fail(fmt::format("\"{}\" is not a number", s));
                    } catch (const std::invalid_argument&) {
                        fail(fmt::format("\"{}\" is not a number", s));
                    } catch (const std::out_of_range&) {
                        fail(fmt::format("\"{}\" is not a number", s));
                    }
                }
                o.kind = Operand::Kind::Number;
                break;
            }
            case Token::Kind::Name: {
                if (tok_.bracketed) {
                    o.name = tok_.text;
                } else {
                    const std::string u = upperAscii(tok_.text);
                    if (u == "TRUE" || u == "FALSE") {
                        o.kind = Operand::Kind::Boolean;
                        o.constant = Value(u == "TRUE");
                        break;
                    }
                    if (u == "AND" || u == "OR" || u == "NOT" || u == "IS" || u == "NULL")
                        fail(fmt::format("expected a field or a value, found {}", u));
                    o.name = tok_.text;
                }
                o.kind = Operand::Kind::Field;
                break;
            }
            default:
                fail(tok_.kind == Token::Kind::End
                         ? std::string("expected a field or a value at the end")
                         : fmt::format("expected a field or a value, found \"{}\"", tok_.text));
        }
        advance();
        return o;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    Token tok_;
};

// Type classes for compatibility: numbers compare with numbers.
enum class Cls { Text, Number, Boolean, DateTime };

Cls classOf(FieldType t) {
    switch (t) {
        case FieldType::String:
            return Cls::Text;
        case FieldType::Integer:
        case FieldType::Float:
            return Cls::Number;
        case FieldType::Boolean:
            return Cls::Boolean;
        case FieldType::DateTime:
            return Cls::DateTime;
    }
    return Cls::Text;
}

Cls classOf(const Operand& o) {
    switch (o.kind) {
        case Operand::Kind::Field:
            return classOf(o.fieldType);
        case Operand::Kind::Text:
            return Cls::Text;
        case Operand::Kind::Number:
            return Cls::Number;
        case Operand::Kind::Boolean:
            return Cls::Boolean;
    }
    return Cls::Text;
}

std::string describe(const Operand& o) {
    switch (o.kind) {
        case Operand::Kind::Field:
            return fmt::format("field {} ({})", o.name, fieldTypeName(o.fieldType));
        case Operand::Kind::Text:
            return fmt::format("'{}'", o.constant.asString());
        case Operand::Kind::Number:
        case Operand::Kind::Boolean:
            break;
    }
    return o.constant.isInteger() ? std::to_string(o.constant.asInteger())
           : o.constant.isFloat() ? fmt::format("{}", o.constant.asFloat())
                                  : (o.constant.asBoolean() ? "TRUE" : "FALSE");
}

class Binder {
public:
    Binder(const std::vector<FieldDef>& fields, const std::string& text)
        : fields_(fields), text_(text) {}

    void bind(Node& n) {
        switch (n.kind) {
            case Node::Kind::And:
            case Node::Kind::Or:
                bind(*n.left);
                bind(*n.right);
                return;
            case Node::Kind::Not:
                bind(*n.left);
                return;
            case Node::Kind::IsNull:
                resolve(n.a);
                n.a.bound = n.a.constant;
                return;
            case Node::Kind::Compare:
                resolve(n.a);
                resolve(n.b);
                bindPair(n.a, n.b);
                bindPair(n.b, n.a);
                return;
        }
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw Error(fmt::format("Invalid filter \"{}\": {}", text_, what));
    }

    void resolve(Operand& o) {
        if (o.kind != Operand::Kind::Field) return;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            if (sameName(fields_[i].name, o.name)) {
                o.fieldIndex = static_cast<int>(i);
                o.fieldType = fields_[i].type;
                o.name = fields_[i].name;
                return;
            }
        }
        fail(fmt::format("field {} not found", o.name));
    }

    // Converts constant `o` for comparison with `other`.
    void bindPair(Operand& o, const Operand& other) {
        if (o.kind == Operand::Kind::Field) return;
        o.bound = o.constant;
        const Cls mine = classOf(o);
        const Cls theirs = classOf(other);
        if (theirs == Cls::DateTime && mine == Cls::Text) {
            const std::string& s = o.constant.asString();
            auto dt = DateTime::parseDisplay(s);
            if (!dt) dt = DateTime::parseIso(s);
            if (!dt) fail(fmt::format("'{}' is not a date and time for {}", s, describe(other)));
            o.bound = Value(*dt);
            return;
        }
        if (mine != theirs)
            fail(fmt::format("{} cannot be compared with {}", describe(other), describe(o)));
    }

    const std::vector<FieldDef>& fields_;
    const std::string& text_;
};

const Value& operandValue(const Operand& o, const Row& row) {
    return o.kind == Operand::Kind::Field ? row[static_cast<std::size_t>(o.fieldIndex)] : o.bound;
}

double asNumber(const Value& v) {
    return v.isInteger() ? static_cast<double>(v.asInteger()) : v.asFloat();
}

template <typename T>
int threeWay(const T& x, const T& y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

int compareValues(const Value& x, const Value& y, bool caseInsensitive) {
    if (x.isString() && y.isString())
        return caseInsensitive ? threeWay(foldCase(x.asString()), foldCase(y.asString()))
                               : threeWay(x.asString(), y.asString());
    if (x.isInteger() && y.isInteger()) return threeWay(x.asInteger(), y.asInteger());
    if ((x.isInteger() || x.isFloat()) && (y.isInteger() || y.isFloat()))
        return threeWay(asNumber(x), asNumber(y));
    if (x.isBoolean() && y.isBoolean()) return threeWay(x.asBoolean(), y.asBoolean());
    if (x.isDateTime() && y.isDateTime()) return threeWay(x.asDateTime(), y.asDateTime());
    return threeWay(x.storage().index(), y.storage().index());  // unreachable once bound
}

Tri evaluate(const Node& n, const Row& row, bool ci) {
    switch (n.kind) {
        case Node::Kind::And: {
            Tri l = evaluate(*n.left, row, ci);
            if (l == Tri::False) return Tri::False;
            Tri r = evaluate(*n.right, row, ci);
            if (r == Tri::False) return Tri::False;
            return l == Tri::True && r == Tri::True ? Tri::True : Tri::Unknown;
        }
        case Node::Kind::Or: {
            Tri l = evaluate(*n.left, row, ci);
            if (l == Tri::True) return Tri::True;
            Tri r = evaluate(*n.right, row, ci);
            if (r == Tri::True) return Tri::True;
            return l == Tri::False && r == Tri::False ? Tri::False : Tri::Unknown;
        }
        case Node::Kind::Not: {
            Tri v = evaluate(*n.left, row, ci);
            return v == Tri::Unknown ? Tri::Unknown : (v == Tri::True ? Tri::False : Tri::True);
        }
        case Node::Kind::IsNull: {
            const bool isNull = operandValue(n.a, row).isNull();
            return isNull != n.negated ? Tri::True : Tri::False;
        }
        case Node::Kind::Compare: {
            const Value& x = operandValue(n.a, row);
            const Value& y = operandValue(n.b, row);
            if (x.isNull() || y.isNull()) return Tri::Unknown;
            const int c = compareValues(x, y, ci);
            bool r = false;
            switch (n.op) {
                case CompareOp::Eq:
                    r = c == 0;
                    break;
                case CompareOp::Ne:
                    r = c != 0;
                    break;
                case CompareOp::Lt:
                    r = c < 0;
                    break;
                case CompareOp::Gt:
                    r = c > 0;
                    break;
                case CompareOp::Le:
                    r = c <= 0;
                    break;
                case CompareOp::Ge:
                    r = c >= 0;
                    break;
            }
            return r ? Tri::True : Tri::False;
        }
    }
    return Tri::Unknown;
}

}  // namespace

std::string quoteFilterText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

FilterExpression FilterExpression::parse(std::string_view text) {
    FilterExpression f;
    f.text_ = std::string(text);
    if (trimBlanks(text).empty()) throw Error("Invalid filter: the filter text is empty");
    f.root_ = Parser(f.text_).parseAll();
    return f;
}

FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;
FilterExpression::~FilterExpression() = default;

void FilterExpression::bind(const std::vector<FieldDef>& fields, bool caseInsensitive) {
    bound_ = false;
    Binder(fields, text_).bind(*root_);
    caseInsensitive_ = caseInsensitive;
    bound_ = true;
}

bool FilterExpression::matches(const Row& row) const {
    if (!bound_) throw Error(fmt::format("The filter \"{}\" is not bound to fields", text_));
    return evaluate(*root_, row, caseInsensitive_) == Tri::True;
}

}  // namespace platform::dataset
