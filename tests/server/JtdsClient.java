// A JDBC client of voq-server through jTDS: prints what it got, one fact per line.
//   java -cp jtds.jar JtdsClient.java PORT
import java.sql.CallableStatement;
import java.sql.Connection;
import java.sql.DriverManager;
import java.sql.PreparedStatement;
import java.sql.ResultSet;
import java.sql.SQLException;
import java.sql.Statement;
import java.sql.Types;

public class JtdsClient {
    static final String THAI = "\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35 \u0e23\u0e32\u0e04\u0e32";

    public static void main(String[] args) throws Exception {
        Class.forName("net.sourceforge.jtds.jdbc.Driver");
        String url = "jdbc:jtds:sqlserver://127.0.0.1:" + args[0] + "/SHOP";
        try (Connection c = DriverManager.getConnection(url, "voq", "marigold")) {
            twoResultSets(c);
            outputParameter(c);
            thaiRoundTrip(c);
            errorNumber(c);
        }
    }

    static void twoResultSets(Connection c) throws SQLException {
        try (Statement s = c.createStatement()) {
            boolean rows = s.execute("select 7 as a select N'b' as b, 2.5 as c");
            int sets = 0;
            StringBuilder seen = new StringBuilder();
            while (rows || s.getUpdateCount() != -1) {
                if (rows) {
                    try (ResultSet r = s.getResultSet()) {
                        while (r.next())
                            seen.append(r.getString(1)).append(';');
                    }
                    ++sets;
                }
                rows = s.getMoreResults();
            }
            System.out.println("result sets: " + sets + " " + seen);
        }
    }

    static void outputParameter(Connection c) throws SQLException {
        try (CallableStatement call = c.prepareCall("{? = call Clock(?)}")) {
            call.registerOutParameter(1, Types.INTEGER);
            call.registerOutParameter(2, Types.TIMESTAMP);
            call.execute();
            System.out.println("clock: " + call.getTimestamp(2) + " status " + call.getInt(1));
        }
    }

    static void thaiRoundTrip(Connection c) throws SQLException {
        try (PreparedStatement insert = c.prepareStatement("insert into Goods (Code, Name) values (?, ?)")) {
            insert.setString(1, "J1");
            insert.setString(2, THAI);
            insert.executeUpdate();
        }
        try (PreparedStatement select = c.prepareStatement("select Name from Goods where Code = ?")) {
            select.setString(1, "J1");
            try (ResultSet r = select.executeQuery()) {
                r.next();
                System.out.println("thai: " + (THAI.equals(r.getString(1)) ? "same" : "differs: " + r.getString(1)));
            }
        }
    }

    static void errorNumber(Connection c) {
        try (Statement s = c.createStatement()) {
            s.executeQuery("select * from NoSuchTable");
            System.out.println("error: none");
        } catch (SQLException e) {
            System.out.println("error: " + e.getErrorCode() + " " + e.getMessage());
        }
    }
}
