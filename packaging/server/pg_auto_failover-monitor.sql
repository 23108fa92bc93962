-- Failover timing of a pg_auto_failover monitor (docs/deployment.md), for a
-- primary and one synchronous standby. Run once on the monitor, as its owner:
--   psql -d pg_auto_failover -f pg_auto_failover-monitor.sql
-- and on each PostgreSQL node, as the user that runs its pg_autoctl:
--   pg_autoctl config set timeout.network_partition_timeout 8
--
-- With pg_auto_failover's own defaults a primary that is lost with its
-- machine is replaced after about a minute: 20 s before the monitor calls it
-- unhealthy, then 30 s during which the standby stays read-only in case the
-- old primary still takes writes. These settings bring that to about 20 s.
--
-- Why it stays safe: a primary cut off from the monitor and the standby stops
-- taking writes by itself after network_partition_timeout (8 s), before the
-- monitor's primary_demote_timeout (12 s) lets the standby take writes; and as
-- long as the standby was synchronous, no write the old primary acknowledged
-- is missing on it.

-- How often and how patiently the monitor looks at each node.
ALTER SYSTEM SET pgautofailover.health_check_period = '2s';
ALTER SYSTEM SET pgautofailover.health_check_timeout = '2s';
ALTER SYSTEM SET pgautofailover.health_check_retry_delay = '1s';
ALTER SYSTEM SET pgautofailover.health_check_max_retries = 2;
-- A node neither reporting nor answering for this long is failed over.
ALTER SYSTEM SET pgautofailover.node_considered_unhealthy_timeout = '6s';
-- How long the standby waits for the lost primary to confirm its demotion.
ALTER SYSTEM SET pgautofailover.primary_demote_timeout = '12s';
SELECT pg_reload_conf();
